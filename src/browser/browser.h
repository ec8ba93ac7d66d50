#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/browser_state.h"
#include "discovery/discovery_walk.h"
#include "discovery/scan_worker.h"

namespace voltrim {

class SettingsStore;
class UserPrompt;

// What the windows must redraw after the browser changed its state. Every call comes
// from inside a Browser method, on the user's thread; the view reads BrowserState.
class BrowserObserver {
 public:
  virtual ~BrowserObserver() = default;

  virtual void DrivesChanged() {}      // drive list entries or its selection
  virtual void PortfoliosChanged() {}  // portfolio list entries or its selection
  // The symbols grid was emptied or refilled; select and focus symbols.currentRow when
  // it names a row (that selection comes back through OnSymbolRowSelected).
  virtual void SymbolsChanged() {}
  // The quotes grid was emptied or refilled; select quotes.currentRow when it names a
  // row, without scrolling it into view.
  virtual void QuotesChanged() {}
  // A fill has loaded its first rows (the newest quotes): show them now, more follow.
  virtual void QuotesPartlyLoaded(int /*rowsSoFar*/) {}
  // quotes.currentRow was chosen to be looked at (a finding, a split candidate): scroll
  // the quotes grid to it.
  virtual void RevealCurrentQuote() {}
  virtual void TitleChanged() {}
  // The scan progress box opens and closes around a walk; its texts come through
  // UserPrompt::ScanProgress.
  virtual void ScanStarted() {}
  virtual void ScanFinished() {}
};

// Where the machine's drives and the process's folder come from, and how a drive is
// walked; tests give their own.
struct BrowserPlatform {
  std::function<std::vector<std::string>()> listDrives;  // mount points, in list order
  std::function<std::string()> currentDirectory;
  ScanWorker::Walk walk = WalkDirectory;
  static BrowserPlatform System();
};

// The browser's decisions. The windows forward every event here and redraw from State();
// commands read State() and ask for FillSymbolsGrid / FillQuotesGrid after a change.
class Browser {
 public:
  // Reads the search settings; the first scan waits for ChooseInitialDrive.
  Browser(SettingsStore& settings, UserPrompt& prompt,
          BrowserPlatform platform = BrowserPlatform::System());
  Browser(const Browser&) = delete;
  Browser& operator=(const Browser&) = delete;

  const BrowserState& State() const { return state_; }
  void SetObserver(BrowserObserver* observer) { observer_ = observer; }
  // From now on a scan walks on a worker thread and ends in a later turn of the event
  // loop (the desktop program); without this it ends before ScanForPortfolios returns.
  void RunScansInBackground();

  // Deferred start-up: fills the drive list, picks the saved drive (or the drive of the
  // current folder), scans it and loads the first portfolio.
  void ChooseInitialDrive();
  // The drive list's selection changed to entry index.
  void OnDriveChanged(int index);
  // Walks the current drive and refills the portfolio list; also the ReScan command.
  // Ignored before the set-up and while a scan runs.
  void ScanForPortfolios();
  // The portfolio list's selection changed; ignored until a scan found portfolios, and
  // while one runs.
  void OnPortfolioSelected(int index);
  // A symbols-grid row became selected (keyboard, mouse or fill): it becomes current and
  // names the window. Its quotes follow through LoadSelectedQuotes, which the view calls
  // once a keyboard selection has rested, and every command calls before it runs.
  void OnSymbolRowSelected(int row);
  // The rows shown selected in the symbols grid (table rows), after any change of them.
  void OnSymbolRowsSelected(std::vector<int> rows);
  // A click anywhere in the symbols grid, after its selection change: reloads the quotes.
  void OnSymbolsGridClicked();
  // The quotes shown are not those of the current symbols row: the selection moved on and
  // the current row's quotes are still to be loaded.
  bool QuotesBehindSelection() const;
  // Loads the current symbols row's quotes when they are behind the selection. Does
  // nothing while a fill or a scan runs: a box shown by a fill lets timers fire, and one
  // fill must never run inside another. True when it loaded.
  bool LoadSelectedQuotes();
  // Enter or a double-click on a sub-folder's row: that folder's portfolio joins the list
  // (unless the scan listed it) and is selected and loaded. False, and nothing done, when
  // the current row is not a sub-folder's.
  bool OpenCurrentSubfolder();
  // The symbols grid's filter field and column headers. Neither changes the current row.
  void SetSymbolFilter(const std::string& text);
  void SortSymbolsBy(int column);
  // A fill of the symbols or quotes grid is under way.
  bool Filling() const { return filling_ > 0; }
  void OnQuoteRowSelected(int row);

  // Search Filter dialog: the message OK must show, or nothing when the values are fine.
  std::optional<std::string> ValidateSearchFilter(bool limit, const std::string& path) const;
  // OK pressed with valid values: stores them and rescans when the filter changed.
  void ApplySearchFilter(bool limit, const std::string& filterName, bool masterFix);

  // 1: everything, 2: portfolio list down, 3: symbols down, 4: quotes only.
  void ResetBrowser(int level);
  // Reloads the symbols from masterPath, makes row current and loads its quotes.
  void FillSymbolsGrid(int row);
  // Reloads the quotes of the current symbol row and makes row current.
  void FillQuotesGrid(int row);

  void SetSplitSearchOpen(bool open);

  // Symbol commands
  // After a rename written to MASTER: the selected row and the loaded symbol take the
  // new texts as they are, without re-reading MASTER (the row keeps its place).
  void RenameSelectedSymbol(const std::string& symbol, const std::string& name);

  // New portfolio
  // A portfolio the program made: it joins the list in its sorted place (unless it is
  // there), becomes the selection and is loaded. Ignored before the set-up and while a
  // scan runs.
  void AddPortfolio(const std::string& portfolioDir);

  // Check window
  // Shows a finding: makes symbols-grid row symbolRow of the portfolio portfolioDir
  // current, loads its quotes and makes the quote with series index quoteIndex (0 = the
  // oldest) current; with no such quote the newest stays current. False, and nothing
  // changed, when the browser no longer shows that portfolio or has no such row.
  bool SelectSymbolAndQuote(const std::string& portfolioDir, int symbolRow, int quoteIndex);

 private:
  void FinishScan(std::vector<std::string> found);
  bool Busy() const { return !state_.setUp || state_.scanning; }
  void AcceptPortfolio(int index);
  bool LoadSymbols();
  bool RepairIfWanted(const std::string& masterFile);
  void SetTitle(std::string title);
  void ArrangeSymbols();
  // reveal: the current row was chosen by a fill or a finding; a filter that hides it goes.
  void NotifySymbols(bool reveal = false);
  void NotifyQuotes();

  SettingsStore& settings_;
  UserPrompt& prompt_;
  BrowserPlatform platform_;
  BrowserObserver* observer_ = nullptr;
  BrowserState state_;
  // The symbols row whose quotes the grid holds (or its last fill tried to load); -1 none.
  int loadedRow_ = -1;
  int filling_ = 0;
  std::string arrangedDir_;  // the portfolio the symbol filter was typed for
  // Last, so that a running walk is waited for before the rest goes.
  std::unique_ptr<ScanWorker> worker_;
};

}  // namespace voltrim
