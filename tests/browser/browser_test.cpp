#include "browser/browser.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "browser/browser_columns.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "browser/grid_text.h"
#include "browser/series_view.h"
#include "browser/window_placement.h"
#include "datafiles/fixtures.h"
#include "settings/settings_store.h"
#include "support/event_loop.h"
#include "support/recording_prompt.h"

namespace voltrim::testing {
namespace {

using Texts = std::vector<std::string>;

// Drives are folders of a temporary tree; the search filter is off unless a test sets it.
class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() { settings.OpenRoot((root.path() / "Voltrim.conf").string()); }

  std::string Drive(const std::string& name) {
    drives.push_back((root.path() / name).string());
    fs::create_directories(drives.back());
    return drives.back();
  }
  void Start() {
    if (settings.GetInt("Search", "Limit", -1) == -1) settings.SetInt("Search", "Limit", 0);
    BrowserPlatform platform{[this] { return drives; }, [this] { return drives.front(); }};
    browser = std::make_unique<Browser>(settings, prompt, platform);
    browser->ChooseInitialDrive();
  }
  const BrowserState& State() const { return browser->State(); }

  TempDir root;
  SettingsStore settings;
  RecordingPrompt prompt;
  std::vector<std::string> drives;
  std::unique_ptr<Browser> browser;
};

const Texts kSymbolsFailure = {"Failure while filling symbols grid"};
const Texts kQuotesFailure = {"Error in FillQuotesGrid"};

TEST_F(BrowserTest, StartupFillsTheListsAndQuotesFollowTheSelectionOnRequest) {
  const std::string drive = Drive("disk");
  Write(drive + "/zeta", PortfolioOf({"ZZ"}));
  Write(drive + "/Alpha", PortfolioOf({"AAA", "BBB", "CCC"}));
  Write(drive + "/beta/deep", PortfolioOf({"BB"}));
  const std::string other = Drive("other");
  Start();

  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), drive);
  EXPECT_EQ(State().portfolios, (Texts{drive + "/Alpha", drive + "/beta/deep", drive + "/zeta"}));
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(prompt.waitDepth, 0);

  // Quotes follow the selection on request, never inside a fill.
  EXPECT_FALSE(browser->QuotesBehindSelection());
  EXPECT_FALSE(browser->LoadSelectedQuotes());

  browser->OnSymbolRowSelected(2);
  EXPECT_TRUE(browser->QuotesBehindSelection());
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");
  browser->OnSymbolRowSelected(0);  // back on the row shown: nothing to load
  EXPECT_FALSE(browser->QuotesBehindSelection());
  browser->OnSymbolRowSelected(2);
  EXPECT_TRUE(browser->LoadSelectedQuotes());
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  EXPECT_FALSE(browser->LoadSelectedQuotes());

  // A failed load is not retried for the same row: its message is shown once. A missing or
  // short data file is reported alike by voltrim-cli's damage test.
  fs::remove(drive + "/Alpha/F2.DAT");
  browser->OnSymbolRowSelected(1);
  EXPECT_TRUE(browser->LoadSelectedQuotes());
  EXPECT_FALSE(browser->LoadSelectedQuotes());
  EXPECT_EQ(prompt.MessageTexts(), kQuotesFailure);
  browser->OnSymbolRowSelected(7);  // no such row
  browser->OnSymbolsGridClicked();
  EXPECT_EQ(prompt.MessageTexts(), Texts(2, kQuotesFailure[0]));

  browser->OnDriveChanged(0);  // the current drive: no new scan
  EXPECT_EQ(prompt.beeps.size(), 1u);
  browser->OnDriveChanged(1);
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), other);
}

// A repair kept out by another program says so instead; a record in use past the count
// fails the fill before any question (one of zero bytes is unused space, as mininge has).
// A load asked for while the question is open does nothing: else two fills would write
// one table.
TEST_F(BrowserTest, BlankSymbolIsRepairedOnlyWhenAllowed) {
  const LockWait shortWait(std::chrono::milliseconds(20));
  // {MasterFix setting, answer, asked, repaired, folder held by another program, a record
  // past the count: 1 in use, 2 of zero bytes}
  for (const auto& [masterFix, answer, asked, repaired, held, pastCount] :
       {std::array{0, 1, 1, 1, 0, 2}, std::array{0, 0, 1, 0, 0, 0}, std::array{1, 0, 0, 1, 0, 0},
        std::array{1, 0, 0, 0, 1, 0}, std::array{0, 1, 0, 0, 0, 1}}) {
    const std::string drive = Drive("disk" + std::to_string(drives.size()));
    PortfolioSpec plan = PortfolioOf({"GOOD", "", "LAST"});
    plan.entries[1].series.name = "ACME CORP";
    Write(drive, plan);
    if (pastCount) {
      Bytes master = ReadFileBytes(drive + "/MASTER");
      master.resize(master.size() + kMasterRecordSize, 0);
      if (pastCount == 1) master[master.size() - 17] = 'X';
      WriteFileBytes(drive + "/MASTER", master);
    }
    const auto before = ReadFileBytes(drive + "/MASTER");
    settings.SetInt("Search", "MasterFix", masterFix);
    prompt = RecordingPrompt{};
    prompt.AnswerNext(answer == 1);
    std::vector<bool> loadedInside;
    prompt.onQuestion = [&] {
      EXPECT_TRUE(browser->Filling());
      loadedInside.push_back(browser->LoadSelectedQuotes());
    };
    drives = {drive};
    {
      std::optional<FolderHolder> other;
      if (held) other.emplace(drive);
      Start();
    }
    const Texts question = {"The master file\n" + drive +
                            "/MASTER\nappears corrupted.\n\nShould Voltrim try to repair this "
                            "file now?\n\n(Hint: There is a control for this in\nthe Portfolio "
                            "> Search Filter dialog.)"};
    EXPECT_EQ(prompt.questions, asked ? question : Texts{});
    EXPECT_EQ(loadedInside, std::vector<bool>(prompt.questions.size(), false));
    EXPECT_FALSE(browser->Filling());
    EXPECT_EQ(ReadFileBytes(drive + "/MASTER") != before, repaired == 1);
    if (!repaired) {
      Texts said = kSymbolsFailure;
      if (held) said.insert(said.begin(), kBusyText);
      ASSERT_EQ(prompt.MessageTexts(), said);
      EXPECT_EQ(prompt.messages.back().icon, MessageIcon::Error);
      continue;
    }
    EXPECT_TRUE(prompt.messages.empty());
    ASSERT_EQ(State().symbols.RowCount(), 3);
    EXPECT_EQ(State().symbols.CellText(1, 0), "ACME CORP       ");  // the name stands in
    EXPECT_EQ(State().quotes.loadedSymbol, "GOOD");
    EXPECT_EQ(State().quotes.RowCount(), 5);
    browser->FillSymbolsGrid(0);  // repaired: nothing more to ask
    EXPECT_EQ(prompt.questions.size(), asked ? 1u : 0u);
    EXPECT_EQ(State().symbols.CellText(1, 0), "ACME");
  }
}

TEST_F(BrowserTest, MoreThan255SymbolsAreCutAndXmastersSeriesFollow) {
  std::vector<std::string> symbols;
  for (int i = 0; i < 300; ++i) symbols.push_back("S" + std::to_string(i));
  const fs::path drive = Drive("disk");
  Write(drive, PortfolioOf(symbols, 1));
  std::vector<XmasterSpec> listed;
  for (int n = 256; n < 259; ++n) {
    listed.push_back({n, "X" + std::to_string(n), "EXTENDED " + std::to_string(n)});
    WriteFileBytes(drive / MwdFileName(n), BuildDatBytes(MwdSeries(n, n - 253)));
  }
  WriteFileBytes(drive / "XMASTER", BuildXmasterBytes(listed));
  Start();

  EXPECT_EQ(prompt.MessageTexts(),
            Texts{"File has 300 symbols.\nWill only display the first 255 symbols"});
  const SymbolTable& table = State().symbols;
  ASSERT_EQ(table.RowCount(), 258);
  EXPECT_EQ(table.count, 258);
  std::string rows;
  for (int row = 254; row < 258; ++row) {
    const SymbolRow& shown = table.rows[static_cast<std::size_t>(row)];
    rows += table.CellText(row, 0) + " " + table.CellText(row, 1) + " " +
            (shown.index == IndexFile::kXmaster ? "X" : "M") + std::to_string(shown.record) + ";";
  }
  EXPECT_EQ(rows,
            "S254 S254 INC         M254;X256 EXTENDED 256 X0;X257 EXTENDED 257 X1;X258 EXTENDED "
            "258 X2;");
  browser->OnSymbolRowSelected(257);
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 258 of 258");
  ASSERT_TRUE(browser->LoadSelectedQuotes());
  EXPECT_EQ(State().quotes.loadedSymbol, "X258");
  EXPECT_EQ(State().quotes.RowCount(), 5);
}

TEST_F(BrowserTest, EmptyMiscountedMissingOrDeepMaster) {
  const std::string drive = Drive("disk");
  Write(drive, PortfolioSpec{});
  // 60 levels, far past 300 characters: what the walk lists, the fill opens.
  std::string deep = drive;
  for (int level = 0; level < 60; ++level) deep += "/level_" + std::to_string(10 + level);
  Write(deep, PortfolioOf({"DEEP"}));
  WriteText(deep + "/XMASTER", "broken file\n");  // adds no rows
  Start();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().title, "Voltrim - " + drive + " - (no symbols)");
  ASSERT_EQ(State().portfolios.size(), 2u);
  browser->OnPortfolioSelected(1);
  EXPECT_TRUE(prompt.messages.empty());
  ASSERT_EQ(State().symbols.RowCount(), 1);
  EXPECT_EQ(State().symbols.CellText(0, 0), "DEEP");
  EXPECT_EQ(State().quotes.RowCount(), 5);

  // Counting a record it does not hold, or gone, MASTER fills nothing.
  browser->OnPortfolioSelected(0);
  PortfolioSpec counted = PortfolioOf({"A"});
  counted.headerRecordCount = 2;
  Write(drive, counted);
  for (int damage = 0; damage < 2; ++damage) {
    prompt.messages.clear();
    browser->FillSymbolsGrid(0);
    EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);
    EXPECT_EQ(State().symbols.RowCount(), 0);
    fs::remove(drive + "/MASTER");
  }
}

// The grid takes a window of quotes at a time: it must hold what the view hands on quote by
// quote, across windows, with a time and with fields the series lacks.
TEST_F(BrowserTest, TheGridHoldsTheQuotesTheViewReadsOneByOne) {
  SeriesSpec series = BarSeries({});
  series.fields = {Field::Date, Field::Time, Field::High, Field::Low, Field::Close, Field::Oi};
  series.writeDop = true;  // no open, no volume: named, not guessed
  for (float i = 0; i < 2 * SeriesView::kWindow + 101; ++i) {
    series.records.push_back({1131101 + std::floor(i / 40), 90000 + 100 * std::fmod(i, 40.0f),
                              11 + i, 9 + i, 10 + i, 500 + i});
  }
  Write(Drive("disk"), Portfolio({SeriesEntry(series)}));
  Start();
  const auto fields = [](const Quote& q) {
    return std::tuple(q.date, q.time, q.open, q.high, q.low, q.close, q.volume, q.openInterest);
  };
  SeriesView view;
  ASSERT_EQ(view.Open(State().portfolioDir, "BARS"), kOk);
  std::vector<decltype(fields(Quote{}))> grid, oneByOne;
  for (const Quote& q : State().quotes.rows) grid.push_back(fields(q));
  view.ReadQuotes(QuoteOrder::kNewestFirst, [&](const Quote& q) { oneByOne.push_back(fields(q)); });
  ASSERT_EQ(grid.size(), series.records.size());
  EXPECT_EQ(grid, oneByOne);
}

// A sub-folder's row loads nothing, enables no command of a series and tells what Enter
// does; one whose entry cannot name a folder of this portfolio, or names one without
// MASTER, is not opened, and says why.
TEST_F(BrowserTest, SubfolderRowsLoadNoQuotesAndOpenOnlyAPortfolioInside) {
  const std::string drive = Drive("disk");
  PortfolioSpec plan = PortfolioOf({"AAA"});
  for (const char* name : {"..", "EMPTY"}) plan.entries.push_back(SubdirectoryEntry(name));
  Write(drive, plan);
  fs::create_directory(drive + "/empty");
  settings.SetInt("Search", "MasterFix", 1);
  Start();
  ASSERT_EQ(State().symbols.RowCount(), 3);
  EXPECT_EQ(State().symbols.CellText(1, 4), "<DIR>");
  for (int row : {1, 2}) {
    browser->OnSymbolRowSelected(row);
    EXPECT_TRUE(browser->LoadSelectedQuotes());
    EXPECT_EQ(std::tuple(State().quotes.RowCount(), State().quotes.loadedSymbol),
              std::tuple(0, ""));
    EXPECT_TRUE(browser->OpenCurrentSubfolder());
  }
  EXPECT_EQ(prompt.MessageTexts(),
            (Texts{"The entry \"..\" does not name a folder inside " + drive + ".",
                   "The sub-folder " + drive + "/empty holds no MASTER file."}));
  EXPECT_EQ(State().portfolios, std::vector<std::string>{drive});
  EXPECT_EQ(MessagePaneText(State()), "EMPTY is a sub-folder: press Enter to open it");
  using namespace command;
  for (const int id :
       {kQuoteEdit, kQuoteExport, kQuoteImport, kSymbolEdit, kSymbolDelete, kSymbolAbout})
    EXPECT_FALSE(IsCommandEnabled(State(), id)) << id;
  EXPECT_TRUE(IsCommandEnabled(State(), kSymbolNew));
  browser->OnSymbolRowSelected(0);
  EXPECT_FALSE(browser->OpenCurrentSubfolder());
  EXPECT_EQ(MessagePaneText(State()), "For Help, press F1");
}

// The filter matches symbol or name without regard to case (by ASCII, whatever the
// locale); each header sorts ascending, descending, then back to the files' order, equal
// keys in the files' order; the symbol pane counts the rows as shown.
TEST(BrowserStateTest, FilterAndThreeClickSortKeepTableRowsAndCommandsAreEnabledAsTheyApply) {
  BrowserState state;
  SymbolTable& table = state.symbols;
  const auto add = [&](const char* symbol, const char* name, DayNumber first, int file) {
    SymbolRow& row = table.rows.emplace_back();
    std::tie(row.symbol, row.name, row.firstDate, row.fileNumber) =
        std::tuple(symbol, name, first, file);
    row.isSubfolder = file == 0;
  };
  add("ZETA", "Zeta inc", 300, 1);
  add("mine", "MINE CORP", 100, 256);
  add("SUB", "SUB        <DIR>", 0, 0);
  add("ALPHA", "ALPHA INC", 100, 3);
  add("BETA", "BETA", 200, 2);
  table.count = table.RowCount();
  SymbolOrder& order = state.symbolOrder;
  order.filter = "In";
  order.Arrange(table);
  EXPECT_EQ(order.shown, (std::vector<int>{0, 1, 3}));
  EXPECT_EQ(order.PlaceOf(2), -1);
  table.currentRow = 3;
  EXPECT_EQ(SymbolPaneText(state), "Symbol 3 of 3 (5 in all)");
  table.currentRow = 4;
  EXPECT_EQ(SymbolPaneText(state), "3 of 5 symbols shown");

  order.filter.clear();
  // Per column: after one, two and three clicks.
  const std::vector<std::vector<int>> sorted[] = {
      {{3, 4, 1, 2, 0}, {0, 2, 1, 4, 3}, {0, 1, 2, 3, 4}},
      {{2, 1, 3, 4, 0}, {0, 4, 1, 3, 2}, {0, 1, 2, 3, 4}},
      {{2, 0, 4, 3, 1}, {1, 3, 4, 0, 2}, {0, 1, 2, 3, 4}}};
  for (int i = 0; i < 3; ++i) {
    for (const auto& expected : sorted[i]) {
      order.ClickColumn(i * 2);  // symbol, first date, file
      order.Arrange(table);
      EXPECT_EQ(order.shown, expected) << i;
    }
  }
  order.ClickColumn(0);
  order.Arrange(table);
  EXPECT_EQ(SymbolPaneText(state), "Symbol 2 of 5");  // BETA, second by symbol

  // An empty portfolio or series is enough; editing waits while a split search reads the series.
  using namespace command;
  BrowserState enabling;
  enabling.setUp = enabling.portfoliosFound = true;
  enabling.portfolios = {"/d/a"};
  const auto enabled = [&](std::initializer_list<int> ids) {
    std::string bits;
    for (const int id : ids) bits += IsCommandEnabled(enabling, id) ? '1' : '0';
    return bits;
  };
  EXPECT_EQ(enabled({kSymbolNew}), "0");
  enabling.masterPathSet = true;  // a portfolio of no symbols
  EXPECT_EQ(enabled({kSymbolNew, kQuoteImport}), "10");
  enabling.symbols.rows.resize(1);
  enabling.symbols.count = 1;
  EXPECT_EQ(enabled({kQuoteImport}), "0");  // no series loaded yet
  enabling.quotes.loadedSymbol = "NEW";
  EXPECT_EQ(enabled({kQuoteImport, kQuoteEdit, kSymbolEdit}), "101");
  enabling.splitSearchOpen = true;
  EXPECT_EQ(enabled({kSymbolEdit}), "0");
  enabling.scanning = true;
  EXPECT_EQ(enabled({kQuoteImport, kSymbolNew, kPortfolioNew}), "000");
  enabling = BrowserState{};
  enabling.setUp = true;
  enabling.splitSearchOpen = true;
  enabling.portfolios = {"/d/a", "/d/b"};
  enabling.symbols.rows.resize(3);
  enabling.symbols.count = 3;
  EXPECT_EQ(EnabledBrowserCommands(enabling), (std::vector<int>{kSymbolMove, kSymbolCopy}));
}

// Column widths come back only when they fit; pane heights round trip, nonsense reads as none.
// openbox on a 1024 x 768 screen: a one-pixel border and a 20-pixel title bar.
constexpr FrameMargins kOpenbox{1, 20, 1, 1};

TEST_F(BrowserTest, ColumnWidthsPaneHeightsAndTheFramesPlacementAreKept) {
  SaveColumnWidths(settings, {60, 200}, {80, 70, 70, 70, 70, 90, 110});
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{60, 200}));
  EXPECT_EQ(LoadQuoteColumnWidths(settings, 600), (QuoteColumnWidths{80, 70, 70, 70, 70, 90, 110}));
  EXPECT_EQ(LoadSymbolColumnWidths(settings, 250), (SymbolColumnWidths{112, 112}));  // sum too wide

  for (int bad : {0, -40, 301, 2000000000}) {
    settings.SetInt("SymbolGrid", "col0", bad);
    settings.SetInt("SymbolGrid", "col1", bad == 2000000000 ? bad : 100);
    EXPECT_EQ(LoadSymbolColumnWidths(settings, 300), (SymbolColumnWidths{135, 135})) << bad;
  }
  EXPECT_EQ(LoadPaneHeights(settings), PaneHeights{});
  SavePaneHeights(settings, {240, 380, 200});
  EXPECT_EQ(LoadPaneHeights(settings), (PaneHeights{240, 380, 200}));
  settings.SetInt("Screen", "upper", -5);
  EXPECT_EQ(LoadPaneHeights(settings), (PaneHeights{0, 380, 200}));

  // 95% centred, truncated like the single-precision share (800 x 0.95f is 759.99...).
  EXPECT_EQ(DefaultWindowPlacement(800, 600), (WindowPlacement{20, 15, 759, 569}));
  const WindowPlacement frame = DefaultWindowPlacement(1024, 768);
  const WindowPlacement contents = ContentsOf(frame, kOpenbox);
  // The frame ends where the placement ends, not past the screen's bottom edge.
  EXPECT_EQ(contents, (WindowPlacement{27, 39, 970, 708}));
  EXPECT_EQ(ContentsOf(frame, {}), frame);

  const WindowPlacement screen{0, 0, 1024, 768};
  EXPECT_TRUE(IsMaximisedPlacement(screen, screen));
  EXPECT_FALSE(IsMaximisedPlacement({0, 0, 1024, 767}, screen));
  EXPECT_FALSE(IsMaximisedPlacement(frame, screen));

  // The recorder stores once a series of changes has settled.
  std::vector<WindowPlacement> stores;
  PlacementRecorder recorder([&](const WindowPlacement& p) { stores.push_back(p); },
                             {26, 19, 972, 729});
  for (int step = 0; step < 30; ++step) recorder.Changed({26 + step, 19, 972, 729});
  recorder.Changed({-5, 40, 600, 500});  // dragged off the left edge
  EXPECT_TRUE(stores.empty());
  recorder.Settle();
  recorder.Settle();
  EXPECT_EQ(stores, (std::vector<WindowPlacement>{{0, 40, 600, 500}}));

  // Back where it is stored: nothing to write.
  recorder.Changed({30, 30, 640, 480});
  recorder.Changed({0, 40, 600, 500});
  recorder.Settle();
  EXPECT_EQ(stores.size(), 1u);

  // Stored in the window system's pixels without creeping: a window of 808 x 480 at scale
  // 1.5 took 1212 x 720 pixels, and takes them again at 1.0.
  const PixelScale half(1.5);
  const WindowPlacement shown{20, 12, 808, 480};
  const WindowPlacement stored = half.ToStored(shown);
  EXPECT_EQ(stored, (WindowPlacement{30, 18, 1212, 720}));
  EXPECT_EQ(PixelScale(1.0).ToShown(stored), stored);
  EXPECT_EQ(half.ToShown(stored), shown);

  // A size that does not divide evenly, saved again unmoved, does not creep a pixel a start.
  const WindowPlacement odd{31, 19, 1213, 721};
  const WindowPlacement oddShown = half.ToShown(odd);
  EXPECT_EQ(half.Keep(oddShown, odd), odd);
  EXPECT_EQ(half.Keep({oddShown.x + 10, oddShown.y, oddShown.cx, oddShown.cy}, odd).x,
            half.ToStored(oddShown.x + 10));
  EXPECT_EQ(PixelScale(0.0).Factor(), 1.0);  // no scale known: pixels as they are
}

// Walks run in the background, held until the gate opens; each "finds" root/data.
TEST_F(BrowserTest, NothingRunsBeforeTheSetUpOrInsideARunningScan) {
  EnsureCoreApplication();
  Gate gate;
  std::atomic<int> walks = 0;
  BrowserPlatform platform{[] { return Texts{"/one", "/two"}; }, [] { return "/one"; }};
  platform.walk = [&](const std::string& root, const SearchFilter&, Texts& results, UserPrompt&) {
    ++walks;
    gate.Wait();
    results.push_back(root + "/data");
  };
  browser = std::make_unique<Browser>(settings, prompt, platform);
  // However the test ends, the walk is let go and the browser gone before what they use.
  const std::shared_ptr<void> last(nullptr, [&](void*) { gate.Open(), browser.reset(); });
  browser->RunScansInBackground();
  const BrowserState& state = State();
  // ReScan before the deferred set-up would walk drive "?" and say nothing was found.
  browser->ScanForPortfolios();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_FALSE(state.scanning);
  for (const int id : {command::kReScan, command::kSearchFilter, command::kSplitSearch})
    EXPECT_FALSE(IsCommandEnabled(state, id)) << id;
  EXPECT_TRUE(IsCommandEnabled(state, command::kHelpTopics));

  browser->ChooseInitialDrive();
  EXPECT_TRUE(state.scanning);
  EXPECT_FALSE(IsCommandEnabled(state, command::kReScan));
  EXPECT_TRUE(IsCommandEnabled(state, command::kAppExit));
  browser->ScanForPortfolios();
  browser->OnDriveChanged(1);
  browser->ChooseInitialDrive();
  browser->ApplySearchFilter(false, "/two", false);
  EXPECT_EQ(state.drive, "/one");  // the running walk keeps its drive

  gate.Open();
  ASSERT_TRUE(ProcessEventsUntil([&] { return !state.scanning; }));
  EXPECT_EQ(walks, 1);
  EXPECT_EQ(state.portfolios, Texts{"/one/data"});
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_EQ(prompt.waitDepth, 0);
  EXPECT_TRUE(IsCommandEnabled(state, command::kReScan));
  EXPECT_EQ(prompt.MessageTexts(), kSymbolsFailure);

  browser->OnDriveChanged(1);  // now a new scan of the other drive
  ASSERT_TRUE(ProcessEventsUntil([&] { return !state.scanning; }));
  EXPECT_EQ(walks, 2);
  EXPECT_EQ(state.portfolios, Texts{"/two/data"});
}

SymbolRow Row(const char* name16, const char* symbol16) {
  MasterRecord record;
  std::memcpy(&record.bytes[master_offset::kName], name16, kNameFieldSize);
  std::memcpy(&record.bytes[master_offset::kSymbol], symbol16, kSymbolFieldSize);
  return MakeSymbolRow(record);
}

TEST(GridCells, SymbolAndNameAreCutAndQuoteCellsWrittenAsTheGridShowsThem) {
  const char* name = "ACME CORP       ";
  // An empty symbol, however it starts, shows the name and calls for repair.
  const std::pair<const char*, const char*> symbols[] = {
      {"BRK A           ", "BRK"},   {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
      {"AB\200CD           ", "AB"}, {"                ", name},
      {" ACME           ", name},    {"\304ACME           ", name},
      {"ACME\0           ", "ACME"}};
  for (const auto& [field, shown] : symbols) {
    const SymbolRow row = Row(name, field);
    EXPECT_EQ(row.symbol, shown) << field;
    EXPECT_EQ(row.symbolWasEmpty, std::string_view(shown) == name) << field;
    EXPECT_EQ(row.name, name);  // trailing blanks kept
  }
  EXPECT_EQ(Row("ACME\0CORP       ", "ACME            ").name, "ACME");

  // voltrim-cli writes the quote grid's cells straight into its lines.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Quote quotes[] = {
      {YmdToDay(1999, 12, 31), 0, 12.625f, 13.0f, 12.5f, 12.75f, 15000.0f, -1.0f},
      {0, 0, -1.0f, nan, 0.0f, 99999.9921875f, 123456789.0f, 4.5f},
      {YmdToDay(2059, 2, 28), 0, 1e-6f, 2097151.875f, 3e9f, -0.0f, 0.5f, 1e30f}};
  for (const Quote& quote : quotes) {
    const QuoteRowTexts texts = QuoteCellTexts(quote);
    std::string joined = texts[0];
    for (std::size_t i = 1; i < texts.size(); ++i) joined += "\t" + texts[i];
    char line[kQuoteRowTextMax];
    EXPECT_EQ(std::string(line, WriteQuoteCells(line, quote, '\t')), joined);
  }
}

}  // namespace
}  // namespace voltrim::testing
