#include "app/main_frame.h"

#include <QAction>
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

#include "app/command_table.h"
#include "app/help_window.h"
#include "app/qt_text.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "browser/ui/voltrim_view.h"
#include "browser/ui/search_filter_dialog.h"
#include "browser/ui/series_facts_dialog.h"
#include "browser/window_placement.h"
#include "check/ui/check_command.h"
#include "datafiles/series_facts.h"
#include "export/ui/export_command_handler.h"
#include "quotes/ui/quote_command_handlers.h"
#include "splitsearch/ui/split_search_command.h"
#include "symbols/ui/symbol_command_handlers.h"

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

CMainFrame::CMainFrame(SettingsStore& settings, QtPrompt& prompt, BrowserPlatform platform,
                       QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      prompt_(prompt),
      runDialog_([](QDialog& dialog) { return dialog.exec(); }) {
  RegisterResources();
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setWindowIcon(QIcon(QStringLiteral(":/icons/voltrim.svg")));
  ApplyStoredPlacement();

  view_ = new CVoltrimView(settings, prompt, std::move(platform), this);
  setCentralWidget(view_);
  BuildMenusAndToolbar();
  BuildStatusBar();
  InstallHandlers();
  prompt_.SetWindow(this, this);
  connect(view_, &CVoltrimView::stateChanged, this, &CMainFrame::RefreshFromState);
  // Windows of later commands (such as a modeless search) change the state outside the
  // view's events; a light periodic pass keeps the enabling current for them too.
  auto* refresh = new QTimer(this);
  connect(refresh, &QTimer::timeout, this, &CMainFrame::RefreshFromState);
  refresh->start(kIdleRefreshMs);
  RefreshFromState();
}

CMainFrame::~CMainFrame() {
  prompt_.SetWindow(nullptr, nullptr);
  delete helpWindow_.data();
}

QAction* CMainFrame::Action(int commandId) const {
  const auto found = actions_.find(commandId);
  return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::ApplyStoredPlacement() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize screenSize = screen ? screen->geometry().size() : QSize(800, 600);
  const WindowPlacement placement =
      LoadWindowPlacement(settings_, screenSize.width(), screenSize.height());
  move(placement.x, placement.y);
  resize(placement.cx, placement.cy);
  placementApplied_ = true;
}

void CMainFrame::StorePlacement() {
  if (!placementApplied_ || !isVisible() || isMinimized()) return;
  SaveWindowPlacement(settings_, {x(), y(), width(), height()});
}

void CMainFrame::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  StorePlacement();
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  StorePlacement();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  view_->SaveColumnWidths();
  if (helpWindow_) helpWindow_->close();
  event->accept();
}

void CMainFrame::BuildMenusAndToolbar() {
  std::map<MenuName, QMenu*> menus;
  for (const CommandInfo& info : MenuCommands()) {
    QMenu*& menu = menus[info.menu];
    if (!menu) menu = menuBar()->addMenu(QString::fromLatin1(MenuTitle(info.menu)));
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

void CMainFrame::BuildStatusBar() {
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

  QAction* showStatusBar = Action(command::kViewStatusBar);
  showStatusBar->setCheckable(true);
  showStatusBar->setChecked(true);
}

void CMainFrame::InstallHandlers() {
  SetCommandHandler(command::kAppExit, [this] { close(); });
  SetCommandHandler(command::kViewToolbar,
                    [this] { toolbar_->setVisible(!toolbar_->isVisible()); });
  SetCommandHandler(command::kViewStatusBar, [this] {
    statusBar()->setVisible(!statusBar()->isVisible());
    Action(command::kViewStatusBar)->setChecked(statusBar()->isVisible());
  });
  SetCommandHandler(command::kSearchFilter, [this] { OnSearchFilter(); });
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
}

CommandContext CMainFrame::CommandContextOf() {
  CommandContext context;
  context.window = this;
  context.browser = &view_->browser();
  context.settings = &settings_;
  context.prompt = &prompt_;
  context.runDialog = [this](QDialog& dialog) { return runDialog_(dialog); };
  context.refresh = [this] { RefreshFromState(); };
  return context;
}

void CMainFrame::SetCommandHandler(int commandId, CommandHandler handler) {
  handlers_[commandId] = std::move(handler);
  RefreshFromState();
}

void CMainFrame::RefreshFromState() {
  if (!view_) return;
  const BrowserState& state = view_->State();
  setWindowTitle(PathText(state.title));
  for (const auto& [id, action] : actions_) {
    const auto handler = handlers_.find(id);
    const bool handled = handler != handlers_.end() && handler->second;
    action->setEnabled(handled && IsCommandEnabled(state, id));
  }
  if (symbolPane_) symbolPane_->setText(DataText(SymbolPaneText(state)));
  if (quotePane_) quotePane_->setText(DataText(QuotePaneText(state)));
}

void CMainFrame::ShowScanProgress(const QString& path, int found) {
  view_->ShowScanProgress(path, found);
}

void CMainFrame::ShowFillProgress(int done, int total) {
  if (total <= 0) {
    fillBar_->hide();
    messagePane_->show();
    return;
  }
  if (fillBar_->isHidden()) {
    messagePane_->hide();
    fillBar_->show();
  }
  fillBar_->setRange(0, total);
  fillBar_->setValue(done);
}

void CMainFrame::ShowStatusText(const QString& text) {
  if (text.isEmpty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(text);
  }
}

void CMainFrame::OnSearchFilter() {
  Browser& browser = view_->browser();
  const SearchFilter& filter = browser.State().searchFilter;
  const SearchFilterDialog::Values values{filter.limit != 0, filter.filterName,
                                          filter.masterFix != 0};
  SearchFilterDialog dialog(
      values,
      [&browser](bool limit, const std::string& path) {
        return browser.ValidateSearchFilter(limit, path);
      },
      prompt_, this);
  if (runDialog_(dialog) != QDialog::Accepted) return;
  const SearchFilterDialog::Values result = dialog.Result();
  browser.ApplySearchFilter(result.limit, result.filterName, result.masterFix);
}

void CMainFrame::OnSymbolAbout() {
  const BrowserState& state = view_->State();
  const std::string symbol = state.symbols.CellText(state.symbols.currentRow, 0);
  SeriesFacts facts;
  if (GetSeriesFacts(state.portfolioDir, symbol, facts) != kFactsFound) {
    prompt_.ShowMessage("The facts of " + symbol +
                            " cannot be read: the symbol is no longer "
                            "in MASTER, or its files are missing or damaged.",
                        MessageIcon::Default);
    return;
  }
  SeriesFactsDialog dialog(facts, this);
  runDialog_(dialog);
}

void CMainFrame::ShowHelpTopics() {
  if (!helpWindow_) helpWindow_ = new HelpWindow(this);
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void CMainFrame::ShowAbout() {
  QMessageBox box(this);
  box.setWindowTitle(QStringLiteral("About Voltrim"));
  box.setIconPixmap(QIcon(QStringLiteral(":/icons/voltrim.svg")).pixmap(48, 48));
  box.setTextFormat(Qt::RichText);
  box.setText(QStringLiteral("<h3>Voltrim %1</h3>"
                             "<p>Browse, check and repair stock-price history kept in "
                             "MetaStock/CompuTrac data folders.</p>")
                  .arg(QStringLiteral(VOLTRIM_VERSION)));
  box.setStandardButtons(QMessageBox::Ok);
  runDialog_(box);
}

}  // namespace voltrim
