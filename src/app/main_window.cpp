#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>

#include "app/chart_link.h"
#include "app/command_table.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "browser/ui/browser_view.h"
#include "chart/ui/price_chart.h"
#include "widgets/dialog_frame.h"
#include "widgets/qt_text.h"

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
    if (info.shortcut) {
      QList<QKeySequence> shortcuts;
      for (const QString& keys : QString::fromLatin1(info.shortcut).split(QLatin1Char(';')))
        shortcuts.push_back(QKeySequence(keys));
      action->setShortcuts(shortcuts);
    }
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

void MainWindow::TriggerIfEnabled(int commandId) {
  RefreshFromState();
  QAction* action = Action(commandId);
  if (action && action->isEnabled()) action->trigger();
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
  RefreshHistoryCommands();
  if (symbolPane_) symbolPane_->setText(DataText(SymbolPaneText(state)));
  if (messagePane_) messagePane_->setText(DataText(MessagePaneText(state)));
  if (quotePane_) quotePane_->setText(DataText(QuotePaneText(state)));
}

void MainWindow::ShowScanProgress(const QString& path, int found) {
  view_->ShowScanProgress(path, found);
}

}  // namespace voltrim
