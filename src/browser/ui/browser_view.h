#pragma once

#include <QPointer>
#include <QScrollArea>

#include <array>
#include <memory>
#include <vector>

#include "browser/browser.h"
#include "browser/ui/path_list.h"
#include "browser/window_placement.h"
#include "discovery/ui/scan_progress_box.h"

class QComboBox;
class QSplitter;
class QTimer;

namespace voltrim {

class GridView;
class PathList;
class SymbolFilterField;
class QuotesModel;
class SettingsStore;
class SymbolsModel;

// The browser form: drive list and portfolio list, the symbols grid and the quotes grid.
// It forwards every user event to the Browser and redraws from its state.
class BrowserView : public QScrollArea, private BrowserObserver {
  Q_OBJECT
 public:
  BrowserView(SettingsStore& settings, UserPrompt& prompt, BrowserPlatform platform,
              QWidget* parent = nullptr);
  ~BrowserView() override;

  Browser& browser() { return *browser_; }
  const BrowserState& State() const { return browser_->State(); }

  QComboBox* DriveList() const { return drives_; }
  PathList* PortfolioList() const { return portfolios_; }
  GridView* SymbolsGrid() const { return symbolsGrid_; }
  SymbolFilterField* SymbolFilter() const { return symbolFilter_; }
  GridView* QuotesGrid() const { return quotesGrid_; }
  ScanProgressBox* ProgressBox() const { return progressBox_; }

  // The deferred set-up has run: columns sized and the first drive scanned.
  bool IsSetUp() const { return setUp_; }
  // Writes the widths the grid headers show (nothing before the set-up sized them).
  void SaveColumnWidths();
  // The boundaries between the three parts as the user left them; before the window shows.
  void RestorePaneHeights(const PixelScale& scale);
  void SavePaneHeights();
  void ShowScanProgress(const QString& path, int found);
  // Brings the quotes (grid and chart) to the selected symbol at once when a keyboard move
  // left them behind; the commands call it first, so that they act on the series the
  // window names. True when it loaded.
  bool CatchUpQuotes();
  // Puts a widget below the quotes grid (the chart), the boundary between them movable.
  void AddBelowQuotes(QWidget* widget);
  // The boundary between the portfolios and symbols above and the quotes below.
  QSplitter* Splitter() const { return splitter_; }
  QSplitter* QuotesSplitter() const { return lower_; }
  // The quotes side also counts as the quotes grid: a press or a key there first brings
  // the quotes up to the selected symbol, so what is clicked is what is shown.
  void WatchWithQuotes(QWidget* widget);

 Q_SIGNALS:
  // Something the main window shows may have changed: title, enabling, status panes.
  void stateChanged();
  // The quotes grid was emptied or refilled.
  void quotesChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildForm();
  void ConnectEvents();
  void StartSetupTimer();
  void SetUp();
  void SymbolSelectionRested();
  void SetUpSymbolColumns(const PixelScale& scale);
  // Redraws the symbols grid after its filter or sort changed; the current row stays the
  // current one, selected and in view when it is shown.
  void ShowSymbolOrder();
  // Tells the browser which rows the symbols grid shows selected.
  void ReportSymbolSelection();
  void GoToFirstSymbolShown();
  void ApplyFirstHeights();
  // Window-system pixels per pixel of the form, for what is stored in the settings.
  PixelScale Scale() const { return PixelScale(devicePixelRatioF()); }
  // Reloads the quotes model; when the Time column comes or goes, each column keeps the
  // width it had the last time it was shown.
  void ReloadQuotes(int rows = -1);
  void CaptureQuoteWidths();
  void ApplyQuoteWidths();

  // BrowserObserver
  void DrivesChanged() override;
  void PortfoliosChanged() override;
  void SymbolsChanged() override;
  void QuotesChanged() override;
  void QuotesPartlyLoaded(int rowsSoFar) override;
  void RevealCurrentQuote() override;
  void TitleChanged() override;
  void ScanStarted() override;
  void ScanFinished() override;

  SettingsStore& settings_;
  std::unique_ptr<Browser> browser_;
  QWidget* form_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QSplitter* lower_ = nullptr;
  QComboBox* drives_ = nullptr;
  PathList* portfolios_ = nullptr;
  SymbolFilterField* symbolFilter_ = nullptr;
  GridView* symbolsGrid_ = nullptr;
  GridView* quotesGrid_ = nullptr;
  SymbolsModel* symbolsModel_ = nullptr;
  QuotesModel* quotesModel_ = nullptr;
  QPointer<ScanProgressBox> progressBox_;
  QTimer* symbolRest_ = nullptr;  // runs while a keyboard move waits to load its quotes
  std::vector<QWidget*> quotesSide_;
  // Widths of Date .. Open Interest and of Time as last shown, in the form's pixels.
  std::array<int, kQuoteColumnCount> quoteWidths_{};
  int timeWidth_ = 0;
  bool setupStarted_ = false;
  bool setUp_ = false;
  bool firstHeights_ = false;  // no heights stored: the first layout chooses them
};

}  // namespace voltrim
