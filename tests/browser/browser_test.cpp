#include "browser/browser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "browser/browser_columns.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "datafiles/portfolio_builder.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// Weekday quotes from 01/03/00 whose prices rise a cent a day, so each row tells which it is.
std::vector<DailyQuote> RisingQuotes(int count) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < count; ++i) {
    const float base = 10.0f + static_cast<float>(i) / 100.0f;
    quotes.push_back({day, base, base + 1, base - 1, base + 0.5f, static_cast<float>(1000 + i)});
    day = NextWeekday(day);
  }
  return quotes;
}

PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes = 5) {
  PortfolioSpec plan;
  for (const std::string& symbol : symbols) {
    PortfolioSpec::Entry entry;
    entry.series = MakeDailySeries(static_cast<int>(plan.entries.size()) % 255 + 1, symbol,
                                   symbol + " INC", RisingQuotes(quotes));
    plan.entries.push_back(entry);
  }
  return plan;
}

// A browser whose drives are folders of a temporary tree, with its settings in a temporary
// file and the search filter off unless a test asks for it.
class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() { settings.OpenRoot((root.path() / "Voltrim.conf").string()); }

  std::string Drive(const std::string& name) {
    drives.push_back((root.path() / name).string());
    fs::create_directories(drives.back());
    return drives.back();
  }
  void Write(const std::string& dir, const PortfolioSpec& plan) {
    ASSERT_EQ(WritePortfolio(dir, plan), kOk) << dir;
  }
  void Start() {
    if (settings.GetInt("Search", "Limit", -1) == -1) settings.SetInt("Search", "Limit", 0);
    BrowserPlatform platform{[this] { return drives; }, [this] { return drives.front(); }};
    browser = std::make_unique<Browser>(settings, prompt, platform);
    browser->ChooseInitialDrive();
  }
  const BrowserState& State() const { return browser->State(); }
  std::string NoSymbolsTitle(const std::string& dir) const {
    return "Voltrim - " + dir + " - (no symbols)";
  }

  TempDir root;
  SettingsStore settings;
  RecordingPrompt prompt;
  std::vector<std::string> drives;
  std::unique_ptr<Browser> browser;
};

const Texts kSymbolsFailure = {"Failure while filling symbols grid"};
const Texts kQuotesFailure = {"Error in FillQuotesGrid"};

TEST_F(BrowserTest, StartupFillsTheListsAndLoadsTheFirstPortfolio) {
  const std::string drive = Drive("disk");
  Write(drive + "/zeta", PortfolioOf({"ZZ"}));
  Write(drive + "/Alpha", PortfolioOf({"AA", "AB"}, 40));
  Write(drive + "/beta/deep", PortfolioOf({"BB"}));
  Start();

  EXPECT_EQ(State().drive, drive);
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), drive);
  EXPECT_EQ(State().portfolios, (Texts{drive + "/Alpha", drive + "/beta/deep", drive + "/zeta"}));
  EXPECT_EQ(State().masterPath, drive + "/Alpha/MASTER");
  ASSERT_EQ(State().symbols.RowCount(), 2);
  EXPECT_EQ(State().symbols.CellText(1, 0), "AB");
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/Alpha - AA");
  EXPECT_EQ(State().quotes.loadedSymbol, "AA");
  EXPECT_EQ(State().quotes.RowCount(), 40);
  EXPECT_EQ(prompt.scanCounts.back(), 3);
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(prompt.waitDepth, 0);
}

TEST_F(BrowserTest, EmptyDriveSaysSoAndChangesNothingElse) {
  const std::string drive = Drive("bare");
  fs::create_directories(drive + "/MASTER");
  Start();
  browser->OnPortfolioSelected(0);  // ignored: nothing was found

  EXPECT_EQ(prompt.MessageTexts(), Texts{"No master files found on drive " + drive +
                                         "\n\n(Is your Portfolio Search Filter setting correct?)"});
  EXPECT_FALSE(State().portfoliosFound);
  EXPECT_FALSE(State().masterPathSet);
  EXPECT_EQ(State().title, "Voltrim");
  EXPECT_EQ(EnabledBrowserCommands(State()), std::vector<int>{});
}

TEST_F(BrowserTest, DriveChangeAndFilterChangeRescanWhenDue) {
  const std::string first = Drive("d1");
  const std::string second = Drive("d2");
  Write(first + "/metastock/data", PortfolioOf({"IN"}));
  Write(first + "/other", PortfolioOf({"OUT"}));
  Write(second + "/p", PortfolioOf({"TWO"}));
  Start();
  const auto scans = [&] { return prompt.beeps.size(); };

  browser->OnDriveChanged(0);  // already current
  EXPECT_EQ(scans(), 1u);
  browser->OnDriveChanged(1);
  EXPECT_EQ(State().title, "Voltrim - " + second + "/p - TWO");

  browser->ApplySearchFilter(false, first + "/metastock", false);  // text only, limit off
  EXPECT_EQ(scans(), 2u);
  // Switching the limit on walks the filter's drive, even though another one was current.
  browser->ApplySearchFilter(true, first + "/metastock", false);
  EXPECT_EQ(scans(), 3u);
  EXPECT_EQ(State().drive, first);
  EXPECT_EQ(State().driveSelection, 0);
  EXPECT_EQ(State().portfolios, Texts{first + "/metastock/data"});
  EXPECT_EQ(settings.GetString("Search", "Name", ""), first + "/metastock");
  EXPECT_EQ(browser->ValidateSearchFilter(true, "relative"),
            std::optional<std::string>("The Search Filter path refers to an unknown drive"));
}

TEST_F(BrowserTest, KeyboardMovesTheTitleAndAClickReloadsTheQuotes) {
  const std::string drive = Drive("disk");
  Write(drive + "/a", PortfolioOf({"FIRST", "SECOND"}));
  Write(drive + "/b", PortfolioOf({"OTHER"}));
  Start();

  browser->OnSymbolRowSelected(1);
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/a - SECOND");
  EXPECT_EQ(State().quotes.loadedSymbol, "FIRST");
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 2 of 2");
  browser->OnSymbolsGridClicked();
  EXPECT_EQ(State().quotes.loadedSymbol, "SECOND");
  EXPECT_EQ(State().quotes.loadedName, "SECOND INC      ");

  browser->OnSymbolRowSelected(7);  // no such row: nothing to load
  browser->OnSymbolsGridClicked();
  EXPECT_EQ(prompt.MessageTexts(), kQuotesFailure);
  EXPECT_EQ(State().quotes.RowCount(), 0);

  browser->OnPortfolioSelected(1);
  EXPECT_EQ(State().title, "Voltrim - " + drive + "/b - OTHER");
  EXPECT_EQ(State().quotes.loadedSymbol, "OTHER");
  EXPECT_EQ(prompt.waitDepth, 0);
}

TEST_F(BrowserTest, PortfolioPathTooLongToHoldFailsRatherThanShowTheLastOne) {
  const std::string drive = Drive("disk");
  Write(drive + "/a", PortfolioOf({"AAA"}));
  std::string deep = drive + "/b";
  while (deep.size() < 320) deep += "/folder_with_a_long_name";
  Write(deep, PortfolioOf({"DEEP"}));
  Start();
  browser->OnPortfolioSelected(1);

  EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_EQ(State().title, NoSymbolsTitle(deep));
}

class PartialRows : public BrowserObserver {
 public:
  explicit PartialRows(const Browser& browser) : browser_(browser) {}
  void QuotesPartlyLoaded(int rows) override {
    calls.push_back({rows, browser_.State().quotes.RowCount()});
  }
  std::vector<std::pair<int, int>> calls;  // (reported, rows in the table then)

 private:
  const Browser& browser_;
};

TEST_F(BrowserTest, LongSeriesComesNewestFirstWithProgress) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"LONG"}, 1000));
  Start();
  const QuoteTable& quotes = State().quotes;
  const auto all = RisingQuotes(1000);

  ASSERT_EQ(quotes.RowCount(), 1000);
  EXPECT_EQ(quotes.CellText(0, 0), FormatUserDate(all.back().day));
  EXPECT_EQ(quotes.CellText(999, 0), FormatUserDate(all.front().day));
  EXPECT_EQ(quotes.CellText(999, 1), "10.0000");
  EXPECT_EQ(quotes.CellText(0, 5), "1999");
  EXPECT_EQ(quotes.CellText(0, 6), "N/A");  // no open interest stored
  EXPECT_EQ(quotes.firstDateText, FormatUserDate(all.front().day));
  EXPECT_EQ(quotes.lastDateText, FormatUserDate(all.back().day));
  browser->OnQuoteRowSelected(999);
  EXPECT_EQ(QuotePaneText(State()), "Quote 1 of 1000");
  // A step every ten rows, the bar taken away at the end.
  EXPECT_EQ(prompt.fillProgress.size(), 102u);
  EXPECT_EQ(prompt.fillProgress[1], std::make_pair(10, 1000));
  EXPECT_EQ(prompt.fillProgress.back(), std::make_pair(0, 0));

  PartialRows observer(*browser);
  browser->SetObserver(&observer);
  browser->FillQuotesGrid(3);
  EXPECT_EQ(observer.calls, (std::vector<std::pair<int, int>>{{30, 30}}));
  EXPECT_EQ(quotes.currentRow, 3);
}

TEST_F(BrowserTest, EmptyMissingOrTruncatedSeries) {
  const std::string drive = Drive("disk");
  PortfolioSpec plan = PortfolioOf({"NONE", "GONE"}, 0);
  plan.entries.push_back(PortfolioOf({"CUT"}, 900).entries[0]);
  plan.entries[2].series.fileNumber = 3;
  Write(drive, plan);
  fs::remove(drive + "/F2.DAT");
  fs::resize_file(drive + "/F3.DAT", fs::file_size(drive + "/F3.DAT") / 2);
  Start();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().quotes.firstDateText, FormatUserDate(0));
  EXPECT_EQ(QuotePaneText(State()), "No Quotes Read");

  for (const int row : {1, 2}) {
    prompt.messages.clear();
    browser->OnSymbolRowSelected(row);
    browser->OnSymbolsGridClicked();
    EXPECT_EQ(prompt.MessageTexts(), kQuotesFailure) << row;
    EXPECT_LT(State().quotes.RowCount(), 900);
  }
}

// A second record whose symbol field is blank: asked about, repaired, or failed.
TEST_F(BrowserTest, BlankSymbolIsRepairedOnlyWhenAllowed) {
  struct Case {
    int masterFix;
    bool answer;
    bool asked;
    bool repaired;
  };
  for (const Case c :
       {Case{0, true, true, true}, Case{0, false, true, false}, Case{1, false, false, true}}) {
    const std::string drive = Drive("disk" + std::to_string(drives.size()));
    PortfolioSpec plan = PortfolioOf({"GOOD", ""});
    plan.entries[1].series.name = "ACME CORP";
    Write(drive, plan);
    const auto before = ReadFileBytes(drive + "/MASTER");
    settings.SetInt("Search", "MasterFix", c.masterFix);
    prompt = RecordingPrompt{};
    prompt.AnswerNext(c.answer);
    drives = {drive};
    Start();

    EXPECT_EQ(prompt.questions.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(prompt.questions[0],
                "The master file\n" + drive +
                    "/MASTER\nappears corrupted.\n\nShould Voltrim try to repair this file "
                    "now?\n\n(Hint: There is a control for this in\nthe Portfolio > Search "
                    "Filter dialog.)");
    }
    EXPECT_EQ(ReadFileBytes(drive + "/MASTER") != before, c.repaired);
    if (!c.repaired) {
      EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
      EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Error);
      EXPECT_EQ(State().symbols.count, 0);
      EXPECT_EQ(State().quotes.RowCount(), 0);
      EXPECT_EQ(State().title, NoSymbolsTitle(drive));
      continue;
    }
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(State().symbols.RowCount(), 2);
    EXPECT_EQ(State().symbols.CellText(1, 0), "ACME CORP       ");  // the name stands in
    browser->FillSymbolsGrid(0);                                    // repaired: nothing more to ask
    EXPECT_EQ(prompt.questions.size(), c.asked ? 1u : 0u);
    EXPECT_EQ(State().symbols.CellText(1, 0), "ACME");
  }
}

TEST_F(BrowserTest, MoreThan255SymbolsAreAnnouncedAndCut) {
  std::vector<std::string> symbols;
  for (int i = 0; i < 300; ++i) symbols.push_back("S" + std::to_string(i));
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf(symbols, 1));
  Start();

  EXPECT_EQ(prompt.MessageTexts(),
            Texts{"File has 300 symbols.\nWill only display the first 255 symbols"});
  EXPECT_EQ(State().symbols.count, 255);
  ASSERT_EQ(State().symbols.RowCount(), 255);
  EXPECT_EQ(State().symbols.CellText(254, 0), "S254");
}

TEST_F(BrowserTest, EmptyLowerCaseOrMissingMaster) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioSpec{});
  Start();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().title, NoSymbolsTitle(drive));

  Write(drive, PortfolioOf({"LOW"}));
  fs::rename(drive + "/MASTER", drive + "/master");
  browser->FillSymbolsGrid(0);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.CellText(0, 0), "LOW");

  fs::remove(drive + "/master");
  browser->FillSymbolsGrid(0);
  EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
  EXPECT_EQ(State().symbols.RowCount(), 0);
}

TEST(CommandEnabling, RulesThatDependOnMoreThanRows) {
  using namespace command;
  BrowserState state;
  state.portfoliosFound = true;
  state.portfolios = {"/d/a"};
  state.symbols.rows.resize(3);
  state.symbols.count = 3;
  state.quotes.rows.resize(10);
  state.quotes.count = 10;
  EXPECT_EQ(EnabledBrowserCommands(state).size(), 10u);  // all but Move and Copy

  state.quotes.currentRow = 9;  // the oldest quote
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteAdd));
  state.splitSearchOpen = true;
  EXPECT_FALSE(IsCommandEnabled(state, kSymbolEdit));
  EXPECT_FALSE(IsCommandEnabled(state, kSplitSearch));
  state.symbols.count = 0;
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteExport));
  EXPECT_TRUE(IsCommandEnabled(state, kQuoteEdit));

  // Move and Copy need a second portfolio, not a successful scan.
  state.portfoliosFound = false;
  state.portfolios.push_back("/d/b");
  EXPECT_EQ(EnabledBrowserCommands(state), (std::vector<int>{kSymbolMove, kSymbolCopy}));
  EXPECT_TRUE(IsCommandEnabled(BrowserState{}, kReScan));
}

TEST(ColumnWidths, SavedWidthsComeBackOnlyWhenTheyFit) {
  TempDir dir;
  SettingsStore settings;
  settings.OpenRoot((dir.path() / "Voltrim.conf").string());
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 401), (SymbolColumnWidths{180, 180}));

  SaveColumnWidths(settings, {60, 200}, {80, 70, 70, 70, 70, 90, 110});
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{60, 200}));
  EXPECT_EQ(LoadQuoteColumnWidths(settings, 600), (QuoteColumnWidths{80, 70, 70, 70, 70, 90, 110}));
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 250), (SymbolColumnWidths{112, 112}));  // sum too wide

  for (int bad : {0, -40, 301, 2000000000}) {
    settings.SetInt("SymbolGrid", "col0", bad);
    settings.SetInt("SymbolGrid", "col1", bad == 2000000000 ? bad : 100);
    EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{135, 135})) << bad;
  }
}

}  // namespace
}  // namespace voltrim::testing
