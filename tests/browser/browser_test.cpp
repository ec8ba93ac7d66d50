#include "browser/browser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>

#include "browser/browser_columns.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/portfolio_checks.h"
#include "samples/portfolio_builder.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// Weekday quotes from 01/03/00 whose prices rise a cent a day, so each row tells which it is.
PortfolioSpec PortfolioOf(const std::vector<std::string>& symbols, int quotes = 5) {
  PortfolioSpec plan;
  for (const std::string& symbol : symbols) {
    std::vector<DailyQuote> rising;
    DayNumber day = ParseUserDate("01/03/00");
    for (int i = 0; i < quotes; ++i, day = NextWeekday(day)) {
      const float base = 10.0f + static_cast<float>(i) / 100.0f;
      rising.push_back({day, base, base + 1, base - 1, base + 0.5f, static_cast<float>(1000 + i)});
    }
    const int fileNumber = static_cast<int>(plan.entries.size()) % 255 + 1;
    PortfolioSpec::Entry entry;
    entry.series = MakeDailySeries(fileNumber, symbol, symbol + " INC", rising);
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
  Write(drive + "/Alpha", PortfolioOf({"AA", "AB"}));
  Write(drive + "/beta/deep", PortfolioOf({"BB"}));
  const std::string other = Drive("other");
  Start();

  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), drive);
  EXPECT_EQ(State().portfolios, (Texts{drive + "/Alpha", drive + "/beta/deep", drive + "/zeta"}));
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(prompt.waitDepth, 0);
  browser->OnDriveChanged(0);  // the current drive: no new scan
  EXPECT_EQ(prompt.beeps.size(), 1u);
  browser->OnDriveChanged(1);
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), other);
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
  EXPECT_TRUE(prompt.messages.empty());  // no quotes is no fault

  for (const int row : {1, 2, 7}) {  // missing, truncated, no such row
    prompt.messages.clear();
    browser->OnSymbolRowSelected(row);
    browser->OnSymbolsGridClicked();
    EXPECT_EQ(prompt.MessageTexts(), kQuotesFailure) << row;
    EXPECT_LT(State().quotes.RowCount(), 900);
  }
}

// A second record whose symbol field is blank: asked about, repaired, or failed.
TEST_F(BrowserTest, BlankSymbolIsRepairedOnlyWhenAllowed) {
  // {MasterFix setting, answer, asked, repaired}
  for (const auto& [masterFix, answer, asked, repaired] :
       {std::array{0, 1, 1, 1}, std::array{0, 0, 1, 0}, std::array{1, 0, 0, 1}}) {
    const std::string drive = Drive("disk" + std::to_string(drives.size()));
    PortfolioSpec plan = PortfolioOf({"GOOD", ""});
    plan.entries[1].series.name = "ACME CORP";
    Write(drive, plan);
    const auto before = ReadFileBytes(drive + "/MASTER");
    settings.SetInt("Search", "MasterFix", masterFix);
    prompt = RecordingPrompt{};
    prompt.AnswerNext(answer == 1);
    drives = {drive};
    Start();

    const Texts question = {"The master file\n" + drive +
                            "/MASTER\nappears corrupted.\n\nShould Voltrim try to repair this "
                            "file now?\n\n(Hint: There is a control for this in\nthe Portfolio "
                            "> Search Filter dialog.)"};
    EXPECT_EQ(prompt.questions, asked ? question : Texts{});
    EXPECT_EQ(ReadFileBytes(drive + "/MASTER") != before, repaired == 1);
    if (!repaired) {
      EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
      EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Error);
      continue;
    }
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(State().symbols.RowCount(), 2);
    EXPECT_EQ(State().symbols.CellText(1, 0), "ACME CORP       ");  // the name stands in
    browser->FillSymbolsGrid(0);                                    // repaired: nothing more to ask
    EXPECT_EQ(prompt.questions.size(), asked ? 1u : 0u);
    EXPECT_EQ(State().symbols.CellText(1, 0), "ACME");
  }
}

// Another program keeps the portfolio past the wait: the repair says so and changes nothing.
TEST_F(BrowserTest, ARepairKeptOutByAnotherProgramSaysSo) {
  const auto saved = PortfolioLockWait();
  SetPortfolioLockWait(std::chrono::milliseconds(20));
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf({"GOOD", ""}));
  const auto before = ReadFileBytes(drive + "/MASTER");
  settings.SetInt("Search", "MasterFix", 1);
  {
    const FolderHolder other(drive);
    Start();
  }
  SetPortfolioLockWait(saved);
  const Texts busy = {
      "The portfolio is being changed by another program.\nTry again when it has "
      "finished.\n\nNothing was changed."};
  ASSERT_FALSE(prompt.messages.empty());
  EXPECT_EQ(Texts{prompt.MessageTexts().front()}, busy);
  EXPECT_EQ(Texts{prompt.MessageTexts().back()}, kSymbolsFailure);
  EXPECT_EQ(ReadFileBytes(drive + "/MASTER"), before);
}

TEST_F(BrowserTest, MoreThan255SymbolsAreAnnouncedAndCut) {
  std::vector<std::string> symbols;
  for (int i = 0; i < 300; ++i) symbols.push_back("S" + std::to_string(i));
  const std::string drive = Drive("disk");
  Write(drive, PortfolioOf(symbols, 1));
  Start();

  EXPECT_EQ(prompt.MessageTexts(),
            Texts{"File has 300 symbols.\nWill only display the first 255 symbols"});
  ASSERT_EQ(State().symbols.RowCount(), 255);
  EXPECT_EQ(State().symbols.CellText(254, 0), "S254");
}

TEST_F(BrowserTest, EmptyMissingOrDeepMaster) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioSpec{});
  // 60 levels, far past 300 characters: what the walk lists, the fill opens.
  std::string deep = drive;
  for (int level = 0; level < 60; ++level) deep += "/level_" + std::to_string(10 + level);
  Write(deep, PortfolioOf({"DEEP"}));
  Start();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().title, NoSymbolsTitle(drive));
  ASSERT_EQ(State().portfolios.size(), 2u);
  browser->OnPortfolioSelected(1);
  EXPECT_TRUE(prompt.messages.empty());
  ASSERT_EQ(State().symbols.RowCount(), 1);
  EXPECT_EQ(State().symbols.CellText(0, 0), "DEEP");
  EXPECT_EQ(State().quotes.RowCount(), 5);

  browser->OnPortfolioSelected(0);
  fs::remove(drive + "/MASTER");
  prompt.messages.clear();
  browser->FillSymbolsGrid(0);
  EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
  EXPECT_EQ(State().symbols.RowCount(), 0);
}

// A record of zero bytes past the header's count is unused space (real folders have one):
// one repair question, then the symbols, and a second visit asks nothing. A record in use
// past the count fails the fill before any question, and MASTER is left as it was.
TEST_F(BrowserTest, RecordsPastTheCount) {
  const std::string drive = Drive("disk");
  PortfolioSpec plan = PortfolioOf({"", "BB"});
  plan.entries[0].series.name = "ACME CORP";
  Write(drive + "/unused", plan);
  Write(drive + "/inuse", plan);
  const auto append = [](const std::string& master, std::uint8_t fill) {
    auto bytes = ReadFileBytes(master);
    bytes.resize(bytes.size() + kMasterRecordSize, 0);
    bytes[bytes.size() - 17] = fill;
    WriteFileBytes(master, bytes);
    return bytes;
  };
  const auto unused = append(drive + "/unused/MASTER", 0);
  const auto inUse = append(drive + "/inuse/MASTER", 'X');
  prompt.AnswerNext(true);
  Start();  // the first portfolio in order is "inuse"

  EXPECT_TRUE(prompt.questions.empty());
  EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
  EXPECT_EQ(ReadFileBytes(drive + "/inuse/MASTER"), inUse);

  prompt = RecordingPrompt{};
  prompt.AnswerNext(true);
  browser->OnPortfolioSelected(1);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_TRUE(prompt.messages.empty());
  ASSERT_EQ(State().symbols.RowCount(), 2);
  EXPECT_EQ(State().symbols.CellText(0, 0), "ACME CORP       ");
  const auto repaired = ReadFileBytes(drive + "/unused/MASTER");
  EXPECT_EQ(repaired.size(), unused.size());
  EXPECT_TRUE(std::all_of(repaired.end() - kMasterRecordSize, repaired.end(),
                          [](std::uint8_t b) { return b == 0; }));
  browser->OnPortfolioSelected(1);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.CellText(0, 0), "ACME");
}

// The published mininge folder: blank symbols and a record of zero bytes past the count.
TEST_F(BrowserTest, RealMiningeShowsItsSymbolsAfterOneQuestion) {
  const fs::path mininge = SharedDataDir() / "mininge";
  if (SharedDataDir().empty() || !fs::is_directory(mininge)) GTEST_SKIP() << "no shared data";
  const std::string drive = Drive("disk");
  // File by file: the published folder is read-only, its copy must take the repair.
  fs::create_directory(drive + "/mininge");
  for (const auto& file : fs::directory_iterator(mininge))
    fs::copy_file(file.path(), drive + "/mininge/" + file.path().filename().string());
  prompt.AnswerNext(true);
  Start();
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.RowCount(), 25);
  browser->OnPortfolioSelected(0);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.RowCount(), 25);
}

// Editing waits while a split search reads the series; Move and Copy need a second portfolio.
TEST(CommandEnabling, RulesThatDependOnMoreThanRows) {
  using namespace command;
  BrowserState state;
  state.setUp = true;
  state.portfoliosFound = true;
  state.portfolios = {"/d/a", "/d/b"};
  state.symbols.rows.resize(3);
  state.symbols.count = 3;
  EXPECT_TRUE(IsCommandEnabled(state, kSymbolEdit));
  state.splitSearchOpen = true;
  EXPECT_FALSE(IsCommandEnabled(state, kSymbolEdit));
  state.portfoliosFound = false;  // a second portfolio is enough, not a successful scan
  EXPECT_EQ(EnabledBrowserCommands(state), (std::vector<int>{kSymbolMove, kSymbolCopy}));
}

// A new symbol needs a portfolio shown, even an empty one; an import needs a loaded series,
// even an empty one, while the quote commands need quotes.
TEST(CommandEnabling, NewSymbolNeedsAPortfolioAndImportALoadedSeries) {
  using namespace command;
  BrowserState state;
  state.setUp = true;
  state.portfoliosFound = true;
  state.portfolios = {"/d/a"};
  EXPECT_FALSE(IsCommandEnabled(state, kSymbolNew));
  state.masterPathSet = true;  // a portfolio of no symbols
  EXPECT_TRUE(IsCommandEnabled(state, kSymbolNew));
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteImport));
  state.symbols.rows.resize(1);
  state.symbols.count = 1;
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteImport));  // no series loaded yet
  state.quotes.loadedSymbol = "NEW";
  EXPECT_TRUE(IsCommandEnabled(state, kQuoteImport));
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteEdit));
  state.scanning = true;
  EXPECT_FALSE(IsCommandEnabled(state, kQuoteImport));
  EXPECT_FALSE(IsCommandEnabled(state, kSymbolNew));
  EXPECT_FALSE(IsCommandEnabled(state, kPortfolioNew));
}

TEST(ColumnWidths, SavedWidthsComeBackOnlyWhenTheyFit) {
  TempDir dir;
  SettingsStore settings;
  settings.OpenRoot((dir.path() / "Voltrim.conf").string());

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
