#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "browser/browser.h"
#include "browser/window_placement.h"
#include "widgets/command_context.h"
#include "widgets/qt_prompt.h"

class QDialog;
class QLabel;
class QProgressBar;
class QTimer;

namespace voltrim {

class BrowserView;
class PriceChart;
class SettingsStore;

// The main window: menus, toolbar, status bar and the browser form. It keeps its
// placement, frame included, in the settings and saves the grids' column widths when it
// closes.
class MainWindow : public QMainWindow, public ProgressDisplay {
  Q_OBJECT
 public:
  using CommandHandler = std::function<void()>;
  // Runs a modal dialog and returns its result; tests pass their own to fill it in.
  using DialogRunner = std::function<int(QDialog&)>;

  MainWindow(SettingsStore& settings, QtPrompt& prompt, BrowserPlatform platform,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  BrowserView* View() const { return view_; }
  PriceChart* Chart() const { return chart_; }
  // The menu item of a command id (toolbar buttons share it), or null.
  QAction* Action(int commandId) const;
  QLabel* MessagePane() const { return messagePane_; }
  QLabel* SymbolPane() const { return symbolPane_; }
  QLabel* QuotePane() const { return quotePane_; }
  QProgressBar* FillBar() const { return fillBar_; }

  // A command without a handler stays disabled; commands of later features plug in here.
  void SetCommandHandler(int commandId, CommandHandler handler);
  void SetDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
  // Every modal dialog of the window runs here: fixed in size, then through the runner.
  int RunDialog(QDialog& dialog);
  // Title, enabling and status panes from the browser's current state.
  void RefreshFromState();

  void ShowScanProgress(const QString& path, int found) override;
  void ShowFillProgress(int done, int total) override;
  void ShowStatusText(const QString& text) override;

 protected:
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void ApplyStoredPlacement();
  void FitFrame();
  void NotePlacement();
  void BuildMenusAndToolbar();
  void BuildStatusBar();
  void InstallHandlers();
  void ConnectQuoteKeysAndChart();
  void TriggerIfEnabled(int commandId);
  CommandContext CommandContextOf();
  void OnSearchFilter();
  void RefreshHistoryCommands();
  void OnSymbolAbout();
  void ShowHelpTopics();
  void ShowAbout();

  SettingsStore& settings_;
  QtPrompt& prompt_;
  BrowserView* view_ = nullptr;
  PriceChart* chart_ = nullptr;
  QToolBar* toolbar_ = nullptr;
  QLabel* messagePane_ = nullptr;
  QLabel* symbolPane_ = nullptr;
  QLabel* quotePane_ = nullptr;
  QProgressBar* fillBar_ = nullptr;
  std::map<int, QAction*> actions_;
  std::map<int, CommandHandler> handlers_;
  DialogRunner runDialog_;
  QPointer<QWidget> helpWindow_;
  PixelScale scale_;           // window-system pixels per pixel of the window
  WindowPlacement placement_;  // the frame's placement at start-up, as stored
  std::unique_ptr<PlacementRecorder> recorder_;
  QTimer* settleTimer_ = nullptr;
  bool placementApplied_ = false;
  bool frameFitted_ = false;
};

}  // namespace voltrim
