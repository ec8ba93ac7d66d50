// The main window's own command handlers (the features' commands are installed from their
// ui/ folders) and what the commands are given of the window.
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>

#include "app/chart_link.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "browser/command_ids.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/grid_view.h"
#include "browser/ui/series_facts_dialog.h"
#include "chart/ui/price_chart.h"
#include "check/ui/check_command.h"
#include "datafiles/format/series_facts.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_lock.h"
#include "discovery/ui/search_filter_dialog.h"
#include "export/ui/export_command_handler.h"
#include "history/ui/history_command_handlers.h"
#include "import/ui/import_command_handlers.h"
#include "import/ui/update_command_handlers.h"
#include "quotes/ui/quote_command_handlers.h"
#include "splitsearch/ui/split_search_command.h"
#include "symbols/ui/symbol_command_handlers.h"
#include "widgets/folder_dialog.h"
#include "widgets/qt_text.h"

#ifndef VOLTRIM_VERSION
#define VOLTRIM_VERSION "0.1.0"
#endif

namespace voltrim {

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
  SetCommandHandler(command::kSymbolAbout, [this] { OnSymbolAbout(); });
  SetCommandHandler(command::kReScan, [this] { view_->browser().ScanForPortfolios(); });
  SetCommandHandler(command::kHelpTopics, [this] { ShowHelpTopics(); });
  SetCommandHandler(command::kAppAbout, [this] { ShowAbout(); });

  const CommandContext context = CommandContextOf();
  const RegisterCommand registerCommand = [this](int id, CommandHandler handler) {
    SetCommandHandler(id, std::move(handler));
  };
  const FilledSplit filledSplit = InstallQuoteCommands(context, registerCommand);
  InstallSymbolCommands(context, registerCommand);
  InstallSplitSearchCommand(context, registerCommand, filledSplit);
  InstallExportCommand(context, registerCommand);
  InstallCheckCommand(context, registerCommand);
  InstallImportCommands(context, registerCommand);
  InstallUpdateCommands(context, registerCommand);
  InstallHistoryCommands(context, registerCommand);
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

// Undo and Redo are there when the current portfolio's history has a change for them, and
// say which; History when a portfolio is open.
void MainWindow::RefreshHistoryCommands() {
  const std::string& dir = view_->State().portfolioDir;
  const auto name = [&](int id, const char* label, bool has, const std::string& what) {
    QAction* action = Action(id);
    if (!action) return;
    const bool can = action->isEnabled() && has;
    action->setEnabled(can);
    action->setText(can ? QStringLiteral("%1 %2").arg(QString::fromLatin1(label), DataText(what))
                        : QString::fromLatin1(label));
  };
  UndoPlan undo, redo;
  const bool open = !dir.empty();
  name(command::kEditUndo, "&Undo", open && ReadUndoPlan(dir, undo) == kOk, undo.what);
  name(command::kEditRedo, "&Redo", open && ReadRedoPlan(dir, redo) == kOk, redo.what);
  if (QAction* history = Action(command::kEditHistory))
    history->setEnabled(history->isEnabled() && open);
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
