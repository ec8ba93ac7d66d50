#include "export/ui/export_command_handler.h"

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "export/export_command.h"
#include "export/ui/export_dialog.h"
#include "widgets/qt_prompt.h"

namespace voltrim {
namespace {

void ExportQuotes(const CommandContext& context) {
  ExportDialog dialog(LoadExportSettings(*context.settings), context);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const BrowserState& state = context.browser->State();
  RunExport(state.portfolioDir, state.quotes.loadedSymbol, state.quotes.count, dialog.Chosen(),
            *context.settings, *context.prompt);
}

}  // namespace

void InstallExportCommand(const CommandContext& context, const RegisterCommand& registerCommand) {
  registerCommand(command::kQuoteExport, [context] { ExportQuotes(context); });
}

}  // namespace voltrim
