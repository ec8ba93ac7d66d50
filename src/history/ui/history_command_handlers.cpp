#include "history/ui/history_command_handlers.h"

#include <algorithm>

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "history/history_steps.h"
#include "history/ui/history_dialog.h"
#include "widgets/qt_prompt.h"

namespace voltrim {

namespace {

// The grids as the portfolio now stands: a step may have taken the current row away (an
// added symbol undone) or brought rows back.
void Refill(Browser& browser) {
  const int row = std::max(static_cast<int>(browser.State().symbols.currentRow), 0);
  browser.FillSymbolsGrid(row);
  const SymbolTable& symbols = browser.State().symbols;
  if (!symbols.HasRow(row) && symbols.RowCount() > 0)
    browser.FillSymbolsGrid(symbols.RowCount() - 1);
}

void Show(const CommandContext& context, const HistoryStepResult& result) {
  if (!result.message.empty()) context.prompt->ShowMessage(result.message, MessageIcon::Default);
  if (result.filesMayHaveChanged) Refill(*context.browser);
  context.refresh();
}

}  // namespace

void InstallHistoryCommands(const CommandContext& context, const RegisterCommand& registerCommand) {
  const auto step = [context](HistoryStep which) {
    Show(context, RunHistoryStep(which, context.browser->State().portfolioDir));
  };
  registerCommand(command::kEditUndo, [step] { step(HistoryStep::kUndo); });
  registerCommand(command::kEditRedo, [step] { step(HistoryStep::kRedo); });
  registerCommand(command::kEditHistory, [context] {
    const std::string dir = context.browser->State().portfolioDir;
    HistoryDialog dialog(
        dir, [dir] { return HistoryRows(dir); },
        [context, dir](HistoryStep which, int number) {
          Show(context, StepTo(which, dir, number));
        },
        context.window);
    context.runDialog(dialog);
  });
}

}  // namespace voltrim
