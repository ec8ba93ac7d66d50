#include "app/main_window.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include "app/chart_link.h"
#include "app/command_table.h"
#include "app/help_window.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/grid_view.h"
#include "browser/ui/series_facts_dialog.h"
#include "browser/window_placement.h"
#include "chart/ui/price_chart.h"
#include "check/ui/check_command.h"
#include "datafiles/format/series_facts.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_lock.h"
#include "discovery/ui/search_filter_dialog.h"
#include "export/ui/export_command_handler.h"
#include "import/ui/import_command_handlers.h"
#include "import/ui/update_command_handlers.h"
#include "quotes/ui/quote_command_handlers.h"
#include "splitsearch/ui/split_search_command.h"
#include "symbols/ui/symbol_command_handlers.h"
#include "widgets/dialog_frame.h"
#include "widgets/folder_dialog.h"
#include "widgets/qt_text.h"

#ifndef VOLTRIM_VERSION
#define VOLTRIM_VERSION "0.1.0"
#endif

// The icons and the manual are built into the GUI library, which is static: its
// resources must be registered by hand, outside any namespace.
static void RegisterResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(voltrim);
    return true;
  }();
  (void)registered;
}

namespace voltrim {
namespace {

constexpr int kIdleRefreshMs = 250;
// A drag reports every step; the placement is written once it has rested this long.
constexpr int kPlacementSettleMs = 400;
constexpr int kFrameCheckMs = 200;

WindowPlacement PlacementOf(const QRect& rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// The commands that read the browser's selection: each first brings the quotes up to the
// symbol the window names, so that it never acts on a series shown before.
bool ActsOnSelection(int id) {
  switch (id) {
    case command::kAppExit:
    case command::kViewToolbar:
    case command::kViewStatusBar:
    case command::kViewChart:
    case command::kSearchFilter:
    case command::kReScan:
    case command::kHelpTopics:
    case command::kAppAbout:
      return false;
    default:
      return true;
  }
}

QIcon CommandIcon(const CommandInfo& info) {
  if (!info.ownIcon) return {};
  const QIcon own(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(info.ownIcon)));
  if (!info.themeIcon) return own;
  return QIcon::fromTheme(QString::fromLatin1(info.themeIcon), own);
}

QLabel* StatusPane(const char* sizingText, QWidget* parent) {
  auto* pane = new QLabel(parent);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  const int margins = 2 * (pane->frameWidth() + pane->margin()) + 6;
  pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(QString::fromLatin1(sizingText)) +
                      margins);
  return pane;
}

}  // namespace

MainWindow::MainWindow(SettingsStore& settings, QtPrompt& prompt, BrowserPlatform platform,
                       QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      prompt_(prompt),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }) {
  RegisterResources();
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  // The installed icon has a drawing for every size; the built-in one is the fallback.
  setWindowIcon(QIcon::fromTheme(QStringLiteral(VOLTRIM_APP_ID),
                                 QIcon(QStringLiteral(":/icons/voltrim.svg"))));
  settleTimer_ = new QTimer(this);
  settleTimer_->setSingleShot(true);
  settleTimer_->setInterval(kPlacementSettleMs);
  connect(settleTimer_, &QTimer::timeout, this, [this] { recorder_->Settle(); });
  ApplyStoredPlacement();

  view_ = new BrowserView(settings, prompt, std::move(platform), this);
  chart_ = new PriceChart;
  setCentralWidget(StackAboveChart(view_, chart_));
  BuildMenusAndToolbar();
  BuildStatusBar();
  InstallHandlers();
  ConnectQuoteKeysAndChart();
  view_->RestorePaneHeights(scale_);
  prompt_.SetWindow(this, this);
  connect(view_, &BrowserView::stateChanged, this, &MainWindow::RefreshFromState);
  // Windows of later commands (such as a modeless search) change the state outside the
  // view's events; a light periodic pass keeps the enabling current for them too.
  auto* refresh = new QTimer(this);
  connect(refresh, &QTimer::timeout, this, &MainWindow::RefreshFromState);
  refresh->start(kIdleRefreshMs);
  RefreshFromState();
}

MainWindow::~MainWindow() {
  prompt_.SetWindow(nullptr, nullptr);
  delete helpWindow_.data();
}

QAction* MainWindow::Action(int commandId) const {
  const auto found = actions_.find(commandId);
  return found == actions_.end() ? nullptr : found->second;
}

void MainWindow::ApplyStoredPlacement() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->geometry().size() : QSize(800, 600);
  scale_ = PixelScale(screen ? screen->devicePixelRatio() : 1.0);
  // Stored in the window system's pixels: checked against the screen in the same unit.
  placement_ = LoadWindowPlacement(settings_, scale_.ToStored(screenSize.width()),
                                   scale_.ToStored(screenSize.height()));
  recorder_ = std::make_unique<PlacementRecorder>(
      [this](const WindowPlacement& p) { SaveWindowPlacement(settings_, p); }, placement_);
  // The frame's size is known only once a window manager has framed the window; until
  // then the contents take the whole placement, and FitFrame corrects them.
  const WindowPlacement shown = scale_.ToShown(placement_);
  move(shown.x, shown.y);
  resize(shown.cx, shown.cy);
  if (screen &&
      IsMaximisedPlacement(placement_, scale_.ToStored(PlacementOf(screen->availableGeometry())))) {
    setWindowState(windowState() | Qt::WindowMaximized);
  }
  placementApplied_ = true;
}

void MainWindow::FitFrame() {
  if (frameFitted_ || !isVisible() || windowState() != Qt::WindowNoState) return;
  const QMargins margins = windowHandle() ? windowHandle()->frameMargins() : QMargins();
  if (margins.isNull()) return;
  frameFitted_ = true;
  // Once the window was resized by the user or the program, the placement is theirs.
  const WindowPlacement shown = scale_.ToShown(placement_);
  if (size() != QSize(shown.cx, shown.cy)) return;
  const WindowPlacement contents =
      ContentsOf(shown, {margins.left(), margins.top(), margins.right(), margins.bottom()});
  setGeometry(contents.x, contents.y, contents.cx, contents.cy);
}

void MainWindow::NotePlacement() {
  if (!placementApplied_ || !isVisible() || isMinimized()) return;
  FitFrame();
  recorder_->Changed(scale_.Keep(PlacementOf(frameGeometry()), recorder_->Latest()));
  settleTimer_->start();
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  NotePlacement();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  NotePlacement();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // Some window managers report the frame without moving the window.
  QTimer::singleShot(kFrameCheckMs, this, &MainWindow::NotePlacement);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  settleTimer_->stop();
  recorder_->Settle();
  view_->SaveColumnWidths();
  view_->SavePaneHeights();
  if (helpWindow_) helpWindow_->close();
  event->accept();
}

void MainWindow::BuildMenusAndToolbar() {
  std::map<MenuName, QMenu*> menus;
  for (const CommandInfo& info : MenuCommands()) {
    QMenu*& menu = menus[info.menu];
    if (!menu) {
      menu = menuBar()->addMenu(QString::fromLatin1(MenuTitle(info.menu)));
      // voltrim-cli or another window may have changed the portfolio since the last refresh.
      if (info.menu == MenuName::Edit)
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::RefreshFromState);
    }
    if (info.id == 0) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(CommandIcon(info), QString::fromLatin1(info.text));
    action->setData(info.id);
    action->setIconVisibleInMenu(false);
    if (info.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(info.shortcut)));
    if (info.prompt) action->setStatusTip(QString::fromLatin1(info.prompt));
    if (info.toolTip) action->setToolTip(QString::fromLatin1(info.toolTip));
    action->setEnabled(false);
    connect(action, &QAction::triggered, this, [this, id = info.id] {
      if (ActsOnSelection(id) && view_->CatchUpQuotes()) {
        // The series just loaded may not allow the command: its rules decide again.
        RefreshFromState();
        if (!Action(id)->isEnabled()) return;
      }
      const auto handler = handlers_.find(id);
      if (handler != handlers_.end() && handler->second) handler->second();
      RefreshFromState();
    });
    actions_[info.id] = action;
  }

  toolbar_ = new QToolBar(QStringLiteral("Toolbar"), this);
  toolbar_->setObjectName(QStringLiteral("toolbar"));
  toolbar_->setIconSize(QSize(16, 16));
  toolbar_->setAllowedAreas(Qt::AllToolBarAreas);
  toolbar_->setFloatable(true);
  for (const int id : ToolbarCommands()) {
    if (id == 0) {
      toolbar_->addSeparator();
    } else if (QAction* action = Action(id)) {
      toolbar_->addAction(action);
    }
  }
  addToolBar(Qt::TopToolBarArea, toolbar_);

  QAction* showToolbar = Action(command::kViewToolbar);
  showToolbar->setCheckable(true);
  showToolbar->setChecked(true);
  connect(toolbar_, &QToolBar::visibilityChanged, showToolbar, &QAction::setChecked);
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  messagePane_ = new QLabel(QStringLiteral("For Help, press F1"), bar);
  messagePane_->setObjectName(QStringLiteral("messagePane"));
  fillBar_ = new QProgressBar(bar);
  fillBar_->setObjectName(QStringLiteral("fillProgress"));
  fillBar_->setTextVisible(false);
  fillBar_->setMaximumHeight(messagePane_->sizeHint().height());
  fillBar_->hide();
  symbolPane_ = StatusPane(kSymbolPaneSizingText, bar);
  symbolPane_->setObjectName(QStringLiteral("symbolPane"));
  quotePane_ = StatusPane(kQuotePaneSizingText, bar);
  quotePane_->setObjectName(QStringLiteral("quotePane"));
  bar->addWidget(messagePane_, 1);
  bar->addWidget(fillBar_, 1);
  bar->addPermanentWidget(symbolPane_);
  bar->addPermanentWidget(quotePane_);
  // A prompt under the pointer takes the message pane's place, also when it comes before
  // the window is first shown (the status bar alone would show both, one over the other).
  connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
    messagePane_->setVisible(message.isEmpty() && fillBar_->isHidden());
  });

  QAction* showStatusBar = Action(command::kViewStatusBar);
  showStatusBar->setCheckable(true);
  showStatusBar->setChecked(true);
}

void MainWindow::InstallHandlers() {
  SetCommandHandler(command::kAppExit, [this] { close(); });
  SetCommandHandler(command::kViewToolbar,
                    [this] { toolbar_->setVisible(!toolbar_->isVisible()); });
  SetCommandHandler(command::kViewStatusBar, [this] {
    statusBar()->setVisible(!statusBar()->isVisible());
    Action(command::kViewStatusBar)->setChecked(statusBar()->isVisible());
  });
  SetCommandHandler(command::kViewChart,
                    ChartToggle(*Action(command::kViewChart), *chart_, settings_));
  LinkChartToView(*chart_, *view_, [this] {
    QAction* edit = Action(command::kQuoteEdit);
    if (edit && edit->isEnabled()) edit->trigger();
  });
  SetCommandHandler(command::kSearchFilter, [this] { OnSearchFilter(); });
  SetCommandHandler(command::kEditUndo, [this] { OnUndo(); });
  SetCommandHandler(command::kSymbolAbout, [this] { OnSymbolAbout(); });
  SetCommandHandler(command::kReScan, [this] { view_->browser().ScanForPortfolios(); });
  SetCommandHandler(command::kHelpTopics, [this] { ShowHelpTopics(); });
  SetCommandHandler(command::kAppAbout, [this] { ShowAbout(); });

  const CommandContext context = CommandContextOf();
  const RegisterCommand registerCommand = [this](int id, CommandHandler handler) {
    SetCommandHandler(id, std::move(handler));
  };
  InstallQuoteCommands(context, registerCommand);
  InstallSymbolCommands(context, registerCommand);
  InstallSplitSearchCommand(context, registerCommand);
  InstallExportCommand(context, registerCommand);
  InstallCheckCommand(context, registerCommand);
  InstallImportCommands(context, registerCommand);
  InstallUpdateCommands(context, registerCommand);
}

void MainWindow::ConnectQuoteKeysAndChart() {
  GridView* quotes = view_->QuotesGrid();
  // Del deletes the current quote only from the quotes grid: elsewhere it is not a quote's.
  QAction* remove = Action(command::kQuoteDelete);
  remove->setShortcutContext(Qt::WidgetShortcut);
  quotes->addAction(remove);
  // Enter on a quote opens it in the editor.
  connect(quotes, &GridView::enterPressed, this, [this] { TriggerIfEnabled(command::kQuoteEdit); });
  connect(chart_, &PriceChart::pointedAt, this, &MainWindow::ShowStatusText);
}

void MainWindow::TriggerIfEnabled(int commandId) {
  RefreshFromState();
  QAction* action = Action(commandId);
  if (action && action->isEnabled()) action->trigger();
}

CommandContext MainWindow::CommandContextOf() {
  CommandContext context;
  context.window = this;
  context.browser = &view_->browser();
  context.settings = &settings_;
  context.prompt = &prompt_;
  context.runDialog = [this](QDialog& dialog) { return RunDialog(dialog); };
  context.refresh = [this] { RefreshFromState(); };
  return context;
}

int MainWindow::RunDialog(QDialog& dialog) {
  FixDialogFrame(dialog);
  return runDialog_(dialog);
}

void MainWindow::SetCommandHandler(int commandId, CommandHandler handler) {
  handlers_[commandId] = std::move(handler);
  RefreshFromState();
}

void MainWindow::RefreshFromState() {
  if (!view_) return;
  const BrowserState& state = view_->State();
  setWindowTitle(PathText(state.title));
  for (const auto& [id, action] : actions_) {
    const auto handler = handlers_.find(id);
    const bool handled = handler != handlers_.end() && handler->second;
    action->setEnabled(handled && IsCommandEnabled(state, id));
  }
  RefreshUndo();
  if (symbolPane_) symbolPane_->setText(DataText(SymbolPaneText(state)));
  if (quotePane_) quotePane_->setText(DataText(QuotePaneText(state)));
}

void MainWindow::ShowScanProgress(const QString& path, int found) {
  view_->ShowScanProgress(path, found);
}

void MainWindow::ShowFillProgress(int done, int total) {
  if (total <= 0) {
    fillBar_->hide();
    messagePane_->setVisible(statusBar()->currentMessage().isEmpty());
    return;
  }
  if (fillBar_->isHidden()) {
    messagePane_->hide();
    fillBar_->show();
  }
  fillBar_->setRange(0, total);
  fillBar_->setValue(done);
}

void MainWindow::ShowStatusText(const QString& text) {
  if (text.isEmpty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(text);
  }
}

void MainWindow::OnSearchFilter() {
  Browser& browser = view_->browser();
  const SearchFilter& filter = browser.State().searchFilter;
  const SearchFilterDialog::Values values{filter.limit != 0, filter.filterName,
                                          filter.masterFix != 0};
  SearchFilterDialog dialog(
      values,
      [&browser](bool limit, const std::string& path) {
        return browser.ValidateSearchFilter(limit, path);
      },
      prompt_, this,
      [this](const std::string& start) {
        return AskFolder([this](QDialog& chooser) { return RunDialog(chooser); },
                         QApplication::activeModalWidget(), start);
      });
  if (RunDialog(dialog) != QDialog::Accepted) return;
  const SearchFilterDialog::Values result = dialog.Result();
  browser.ApplySearchFilter(result.limit, result.filterName, result.masterFix);
}

// Undo is there when the current portfolio's journal names a change, and says which.
void MainWindow::RefreshUndo() {
  QAction* undo = Action(command::kEditUndo);
  if (!undo) return;
  const std::string& dir = view_->State().portfolioDir;
  UndoPlan plan;
  const bool can = undo->isEnabled() && !dir.empty() && ReadUndoPlan(dir, plan) == kOk;
  undo->setEnabled(can);
  undo->setText(can ? QStringLiteral("&Undo \"%1\"").arg(DataText(plan.what))
                    : QStringLiteral("&Undo"));
}

void MainWindow::OnUndo() {
  Browser& browser = view_->browser();
  const std::string dir = browser.State().portfolioDir;
  std::string what, differing;
  const Status status = UndoLastChange(dir, what, differing);
  switch (status) {
    case kOk:
      break;
    case kNothingToUndo:
      prompt_.ShowMessage(NothingToUndoMessage(dir), MessageIcon::Default);
      return;
    case kPortfolioBusy:
      prompt_.ShowMessage(kPortfolioBusyMessage, MessageIcon::Default);
      return;
    case kChangedSince:
      prompt_.ShowMessage(ChangedSinceMessage(what, differing), MessageIcon::Default);
      return;
    default:
      // Some files may be back already: the grids show what the portfolio now holds.
      prompt_.ShowMessage(UndoFailedMessage(what, differing), MessageIcon::Default);
      break;
  }
  const int row = std::max(static_cast<int>(browser.State().symbols.currentRow), 0);
  browser.FillSymbolsGrid(row);
  // Undoing an added symbol may take the row away.
  const SymbolTable& symbols = browser.State().symbols;
  if (!symbols.HasRow(row) && symbols.RowCount() > 0)
    browser.FillSymbolsGrid(symbols.RowCount() - 1);
}

void MainWindow::OnSymbolAbout() {
  const BrowserState& state = view_->State();
  const std::string symbol = state.symbols.CellText(state.symbols.currentRow, 0);
  // A row of XMASTER's has its facts from XMASTER's record.
  const SymbolRow* row = state.symbols.CurrentRow();
  const bool extended = row != nullptr && row->index == IndexFile::kXmaster;
  SeriesFacts facts;
  const int found = extended ? GetXmasterSeriesFacts(state.portfolioDir, symbol, facts)
                             : GetSeriesFacts(state.portfolioDir, symbol, facts);
  if (found != kFactsFound) {
    prompt_.ShowMessage("The facts of " + symbol + " cannot be read: the symbol is no longer in " +
                            (extended ? "XMASTER" : "MASTER") +
                            ", or its files are missing or damaged.",
                        MessageIcon::Default);
    return;
  }
  SeriesFactsDialog dialog(facts, this);
  RunDialog(dialog);
}

void MainWindow::ShowHelpTopics() {
  if (!helpWindow_) {
    helpWindow_ = new HelpWindow(this);
    // Beside the main window, so that the manual and the data can be read together.
    const QScreen* screen = this->screen();
    const QRect usable = screen ? screen->availableGeometry() : frameGeometry();
    const QSize size(std::min(640, usable.width()), std::min(560, usable.height()));
    helpWindow_->resize(size);
    helpWindow_->move(HelpWindow::BesideRect(frameGeometry(), size, usable).topLeft());
  }
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void MainWindow::ShowAbout() {
  QMessageBox box(this);
  box.setWindowTitle(QStringLiteral("About Voltrim"));
  box.setIconPixmap(QIcon(QStringLiteral(":/icons/voltrim.svg")).pixmap(48, 48));
  box.setTextFormat(Qt::RichText);
  box.setText(QStringLiteral("<h3>Voltrim %1</h3>"
                             "<p>Browse, check and repair stock-price history kept in "
                             "MetaStock/CompuTrac data folders.</p>")
                  .arg(QStringLiteral(VOLTRIM_VERSION)));
  box.setStandardButtons(QMessageBox::Ok);
  RunDialog(box);
}

}  // namespace voltrim
