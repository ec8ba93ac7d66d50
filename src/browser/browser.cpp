#include "browser/browser.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>
#include <utility>

#include "browser/grid_text.h"
#include "browser/series_view.h"
#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/write/repair_master.h"
#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"
#include "discovery/discovery_walk.h"
#include "prompt/user_prompt.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {

namespace {

constexpr int kFirstScreenfulRows = 30;  // the view is refreshed once this many are in

const char kMasterName[] = "MASTER";

std::string NoSymbolsTitle(const std::string& portfolioDir) {
  return std::string(kProgramTitle) + " - " + portfolioDir + " - (no symbols)";
}

std::string SymbolTitle(const std::string& portfolioDir, const std::string& symbol) {
  return std::string(kProgramTitle) + " - " + portfolioDir + " - " + symbol;
}

// Counts a fill for its duration.
class FillGuard {
 public:
  explicit FillGuard(int& depth) : depth_(depth) { ++depth_; }
  ~FillGuard() { --depth_; }
  FillGuard(const FillGuard&) = delete;
  FillGuard& operator=(const FillGuard&) = delete;

 private:
  int& depth_;
};

std::string Format(const char* pattern, int a, int b) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b);
  return text;
}

}  // namespace

BrowserPlatform BrowserPlatform::System() {
  return BrowserPlatform{[] { return ListDrives(); },
                         [] {
                           std::error_code error;
                           const auto dir = std::filesystem::current_path(error);
                           return error ? std::string() : dir.string();
                         }};
}

Browser::Browser(SettingsStore& settings, UserPrompt& prompt, BrowserPlatform platform)
    : settings_(settings), prompt_(prompt), platform_(std::move(platform)) {
  state_.searchFilter = LoadSearchFilter(settings_, platform_.currentDirectory());
}

void Browser::RunScansInBackground() {
  if (!worker_) worker_ = std::make_unique<ScanWorker>(prompt_);
}

void Browser::ChooseInitialDrive() {
  if (state_.setUp) return;
  state_.setUp = true;
  state_.drives = platform_.listDrives();
  const DriveChoice choice =
      PickInitialDrive(settings_, state_.drives, platform_.currentDirectory());
  state_.drive = choice.drive;
  state_.driveSelection = choice.index;
  if (observer_) observer_->DrivesChanged();
  ScanForPortfolios();
}

void Browser::OnDriveChanged(int index) {
  if (Busy()) return;
  if (index < 0 || index >= static_cast<int>(state_.drives.size())) return;
  state_.driveSelection = index;
  const std::string& chosen = state_.drives[static_cast<std::size_t>(index)];
  if (!ChangeDrive(settings_, state_.drive, chosen)) return;
  state_.drive = chosen;
  ResetBrowser(1);
  ScanForPortfolios();
}

void Browser::ScanForPortfolios() {
  // Before the set-up there is no drive to walk, and two walks would fill one list.
  if (Busy()) return;
  ResetBrowser(2);
  prompt_.BeginWait();
  state_.scanning = true;
  state_.foundCount = 0;
  if (observer_) observer_->ScanStarted();
  prompt_.ScanProgress(std::string(), 0);
  if (state_.drive == kNoDrive) {
    FinishScan({});
  } else if (worker_) {
    worker_->Start(platform_.walk, state_.drive, state_.searchFilter,
                   [this](std::vector<std::string> found) { FinishScan(std::move(found)); });
  } else {
    std::vector<std::string> found;
    platform_.walk(state_.drive, state_.searchFilter, found, prompt_);
    FinishScan(std::move(found));
  }
}

void Browser::FinishScan(std::vector<std::string> found) {
  state_.foundCount = static_cast<int>(found.size());
  // The box closes and the wait cursor goes before a message asks for the user's attention.
  ConcludeScan(found, state_.drive, prompt_, [this] {
    state_.scanning = false;
    if (observer_) observer_->ScanFinished();
    prompt_.EndWait();
  });
  state_.portfoliosFound = !found.empty();
  if (found.empty()) return;
  state_.portfolios = std::move(found);
  state_.portfolioSelection = 0;
  if (observer_) observer_->PortfoliosChanged();
  AcceptPortfolio(0);
  FillSymbolsGrid(0);
}

void Browser::OnPortfolioSelected(int index) {
  if (!state_.portfoliosFound || state_.scanning) return;
  if (index < 0 || index >= static_cast<int>(state_.portfolios.size())) return;
  state_.portfolioSelection = index;
  AcceptPortfolio(index);
  FillSymbolsGrid(0);
}

void Browser::AcceptPortfolio(int index) {
  const std::string& dir = state_.portfolios[static_cast<std::size_t>(index)];
  const std::string path = WithTrailingSeparator(dir) + kMasterName;
  if (const auto accepted = AcceptMasterPath(path.c_str())) {
    state_.masterPath = accepted->masterPath;
    state_.portfolioDir = accepted->portfolioDir;
    state_.masterPathSet = true;
  } else {
    // A path too long to hold must not leave the previous portfolio's symbols on show
    // under this one's name: the fill that follows fails, and names this folder.
    state_.masterPath = path;
    state_.portfolioDir = dir;
    state_.masterPathSet = false;
  }
}

void Browser::OnSymbolRowSelected(int row) {
  state_.symbols.currentRow = row;
  if (state_.symbols.HasRow(row)) {
    SetTitle(SymbolTitle(state_.portfolioDir,
                         state_.symbols.rows[static_cast<std::size_t>(row)].symbol));
  }
}

void Browser::OnSymbolRowsSelected(std::vector<int> rows) {
  std::erase_if(rows, [this](int row) { return !state_.symbols.HasRow(row); });
  std::sort(rows.begin(), rows.end());
  state_.symbols.selected = std::move(rows);
}

void Browser::OnSymbolsGridClicked() {
  WaitCursor wait(prompt_);
  FillQuotesGrid(0);
}

bool Browser::OpenCurrentSubfolder() {
  const SymbolRow* row = state_.symbols.CurrentRow();
  if (row == nullptr || !row->isSubfolder || Busy()) return false;
  // A damaged entry must not lead out of the portfolio's tree.
  if (!IsSafeSubdirectoryName(row->subfolder)) {
    prompt_.ShowMessage("The entry \"" + row->subfolder + "\" does not name a folder inside " +
                        state_.portfolioDir + ".");
    return true;
  }
  const std::string dir = ResolveInDirectory(state_.portfolioDir, row->subfolder);
  std::error_code error;
  if (!std::filesystem::is_regular_file(ResolveInDirectory(dir, kMasterName), error)) {
    prompt_.ShowMessage("The sub-folder " + dir + " holds no MASTER file.");
    return true;
  }
  AddPortfolio(dir);
  return true;
}

void Browser::SetSymbolFilter(const std::string& text) {
  state_.symbolOrder.filter = text;
  state_.symbolOrder.Arrange(state_.symbols);
}

void Browser::SortSymbolsBy(int column) {
  state_.symbolOrder.ClickColumn(column);
  state_.symbolOrder.Arrange(state_.symbols);
}

bool Browser::QuotesBehindSelection() const {
  return state_.symbols.HasRow(state_.symbols.currentRow) &&
         state_.symbols.currentRow != loadedRow_;
}

bool Browser::LoadSelectedQuotes() {
  if (Busy() || Filling() || !QuotesBehindSelection()) return false;
  WaitCursor wait(prompt_);
  FillQuotesGrid(0);
  return true;
}

void Browser::OnQuoteRowSelected(int row) {
  state_.quotes.currentRow = static_cast<std::int16_t>(row);
}

std::optional<std::string> Browser::ValidateSearchFilter(bool limit,
                                                         const std::string& path) const {
  if (SearchFilterPathAccepted(limit, path, state_.drives)) return std::nullopt;
  return std::string(kUnknownDriveMessage);
}

void Browser::ApplySearchFilter(bool limit, const std::string& filterName, bool masterFix) {
  const SearchFilterChange change = SaveSearchFilterChange(
      settings_, state_.searchFilter, limit, filterName, masterFix, state_.drives, state_.drive);
  state_.searchFilter = change.filter;
  // A walk that runs keeps its drive; the new filter applies from the next scan on.
  if (!change.rescan || Busy()) return;
  const auto entry = std::find(state_.drives.begin(), state_.drives.end(), change.drive);
  if (entry == state_.drives.end()) return;  // no drive to walk
  // Forgetting the drive makes the change below always rescan, even on the same drive.
  // A whole string, not a char array: g++ 12 wrongly warns of overlap when the
  // assignment from the array is inlined.
  state_.drive = std::string(kNoDrive);
  state_.driveSelection = static_cast<int>(entry - state_.drives.begin());
  if (observer_) observer_->DrivesChanged();
  OnDriveChanged(state_.driveSelection);
}

void Browser::ResetBrowser(int level) {
  if (level <= 1) state_.portfoliosFound = false;
  if (level <= 2) {
    state_.portfolios.clear();
    state_.portfolioSelection = -1;
    if (observer_) observer_->PortfoliosChanged();
  }
  if (level <= 3) {
    WaitCursor wait(prompt_);
    loadedRow_ = -1;
    state_.symbols.rows.clear();
    state_.symbols.selected.clear();
    state_.symbols.count = 0;
    NotifySymbols();
  }
  WaitCursor wait(prompt_);
  state_.quotes.rows.clear();
  state_.quotes.count = 0;
  NotifyQuotes();
}

void Browser::FillSymbolsGrid(int row) {
  const FillGuard filling(filling_);
  WaitCursor wait(prompt_);
  ResetBrowser(3);
  const bool filled = state_.masterPathSet && LoadSymbols();

  SymbolTable& symbols = state_.symbols;
  symbols.currentRow = row;
  // A failed fill shows no symbols, so the title must not keep naming the symbol of
  // the portfolio shown before.
  if (symbols.count == 0 || !filled) SetTitle(NoSymbolsTitle(state_.portfolioDir));
  if (!filled) {
    ResetBrowser(3);
    prompt_.ShowMessage("Failure while filling symbols grid", MessageIcon::Error);
    symbols.count = 0;
    return;
  }
  if (symbols.HasRow(row)) OnSymbolRowSelected(row);
  NotifySymbols(true);
  FillQuotesGrid(0);
}

// Reads the rows from MASTER; false when the fill must fail.
bool Browser::LoadSymbols() {
  const std::string path = ResolveInDirectory(state_.portfolioDir, kMasterName);
  SymbolRows read;
  // A MASTER whose records do not match its count fails here, before any repair is
  // offered: repairing it would not make it readable, and the question would come back.
  if (ReadSymbolRows(path, read) != kOk) return false;
  SymbolTable& symbols = state_.symbols;
  if (read.countCapped) {
    prompt_.ShowMessage(Format("File has %d symbols.\nWill only display the first %d symbols",
                               read.headerCount, kMaxGridSymbols));
  }
  symbols.count = read.countCapped ? kMaxGridSymbols : read.headerCount;
  symbols.rows = std::move(read.rows);
  if (read.needsRepair && !RepairIfWanted(path)) return false;
  // The series only XMASTER lists follow MASTER's rows; MASTER's rules above are MASTER's
  // alone. An XMASTER that cannot be read adds none.
  std::vector<SymbolRow> extended;
  if (ReadXmasterSymbolRows(state_.portfolioDir, extended) == kOk) {
    symbols.rows.insert(symbols.rows.end(), std::make_move_iterator(extended.begin()),
                        std::make_move_iterator(extended.end()));
    symbols.count = symbols.RowCount();
  }
  return true;
}

bool Browser::RepairIfWanted(const std::string& path) {
  if (!state_.searchFilter.masterFix) {
    const std::string question =
        "The master file\n" + path +
        "\nappears corrupted.\n\nShould Voltrim try to repair this file now?\n\n"
        "(Hint: There is a control for this in\nthe Portfolio > Search Filter dialog.)";
    if (!prompt_.AskYesNo(question)) return false;
  }
  const Status status = RepairMaster(path);
  if (status == kPortfolioBusy) prompt_.ShowMessage(kPortfolioBusyMessage);
  return status == kOk;
}

void Browser::FillQuotesGrid(int row) {
  const FillGuard filling(filling_);
  WaitCursor wait(prompt_);
  ResetBrowser(4);
  if (state_.symbols.rows.empty()) return;
  // Also when the load fails below: its message is not repeated for the same row.
  loadedRow_ = state_.symbols.currentRow;

  QuoteTable& quotes = state_.quotes;
  const SymbolRow* current = state_.symbols.CurrentRow();
  if (!current) {
    // Looking up an empty symbol text could land on an unrelated record.
    quotes.loadedSymbol.clear();
    quotes.loadedName.clear();
    prompt_.ShowMessage("Error in FillQuotesGrid");
    return;
  }
  if (current->isSubfolder) {
    // An entry for a sub-folder's portfolio has no series to show; Enter opens it.
    quotes.loadedSymbol.clear();
    quotes.loadedName.clear();
    return;
  }
  quotes.loadedSymbol = current->symbol;
  quotes.loadedName = current->name;

  SeriesView view;
  const Status opened = view.Open(state_.portfolioDir, quotes.loadedSymbol);
  quotes.hasTime = opened == kOk && view.Location().layout.Has(Field::Time);
  const int total = view.Total();
  // A series longer than the grid can count is refused rather than shown with a
  // wrapped count.
  if (opened != kOk || total < 0 || total > kMaxGridQuotes) {
    prompt_.ShowMessage("Error in FillQuotesGrid");
    return;
  }
  quotes.count = static_cast<std::int16_t>(total);

  prompt_.FillProgress(0, quotes.count);
  quotes.rows.reserve(static_cast<std::size_t>(quotes.count));
  const Status read = view.ReadWindows(QuoteOrder::kNewestFirst, [&](const SeriesBuffer& window) {
    const int before = quotes.RowCount();
    AppendNewestFirst(window, quotes.rows);
    const int done = quotes.RowCount();
    prompt_.FillProgress(done, quotes.count);
    if (before < kFirstScreenfulRows && done >= kFirstScreenfulRows && observer_) {
      observer_->QuotesPartlyLoaded(done);
    }
  });
  if (read != kOk) prompt_.ShowMessage("Error in FillQuotesGrid");
  quotes.firstDateText = view.OldestDateText();
  quotes.lastDateText = view.NewestDateText();
  prompt_.FillProgress(0, 0);

  quotes.currentRow = static_cast<std::int16_t>(row);
  NotifyQuotes();
}

void Browser::SetSplitSearchOpen(bool open) { state_.splitSearchOpen = open; }

void Browser::AddPortfolio(const std::string& portfolioDir) {
  if (Busy()) return;
  std::vector<std::string>& list = state_.portfolios;
  if (std::find(list.begin(), list.end(), portfolioDir) == list.end()) {
    list.push_back(portfolioDir);
    SortPortfolioList(list);
  }
  const auto at = std::find(list.begin(), list.end(), portfolioDir);
  state_.portfoliosFound = true;
  state_.portfolioSelection = static_cast<int>(at - list.begin());
  if (observer_) observer_->PortfoliosChanged();
  AcceptPortfolio(state_.portfolioSelection);
  FillSymbolsGrid(0);
}

void Browser::RenameSelectedSymbol(const std::string& symbol, const std::string& name) {
  const int row = state_.symbols.currentRow;
  if (state_.symbols.HasRow(row)) {
    SymbolRow& selected = state_.symbols.rows[static_cast<std::size_t>(row)];
    selected.symbol = symbol;
    selected.name = name;
    SetTitle(SymbolTitle(state_.portfolioDir, symbol));
    NotifySymbols();
  }
  state_.quotes.loadedSymbol = symbol;
  state_.quotes.loadedName = name;
}

bool Browser::SelectSymbolAndQuote(const std::string& portfolioDir, int symbolRow, int quoteIndex) {
  if (Busy() || !state_.masterPathSet || state_.portfolioDir != portfolioDir ||
      !state_.symbols.HasRow(symbolRow))
    return false;
  OnSymbolRowSelected(symbolRow);
  NotifySymbols(true);
  FillQuotesGrid(0);
  const int row = state_.quotes.count - 1 - quoteIndex;
  if (quoteIndex >= 0 && state_.quotes.HasRow(row)) {
    state_.quotes.currentRow = static_cast<std::int16_t>(row);
    NotifyQuotes();
    if (observer_) observer_->RevealCurrentQuote();
  }
  return true;
}

void Browser::SetTitle(std::string title) {
  state_.title = std::move(title);
  if (observer_) observer_->TitleChanged();
}

// A filter typed for one portfolio is not carried into another; the sort is.
void Browser::ArrangeSymbols() {
  if (arrangedDir_ != state_.portfolioDir) state_.symbolOrder.filter.clear();
  arrangedDir_ = state_.portfolioDir;
  state_.symbolOrder.Arrange(state_.symbols);
}

void Browser::NotifySymbols(bool reveal) {
  ArrangeSymbols();
  // A row the program makes current is one the user can see.
  if (reveal && state_.symbols.HasRow(state_.symbols.currentRow) &&
      state_.symbolOrder.PlaceOf(state_.symbols.currentRow) < 0) {
    state_.symbolOrder.filter.clear();
    state_.symbolOrder.Arrange(state_.symbols);
  }
  if (observer_) observer_->SymbolsChanged();
}

void Browser::NotifyQuotes() {
  if (observer_) observer_->QuotesChanged();
}

}  // namespace voltrim
