#include "export/ui/export_command_handler.h"

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "export/export_command.h"
#include "export/ui/export_dialog.h"
#include "widgets/qt_prompt.h"

namespace voltrim {
namespace {

// Several rows selected: their series in one file, each line led by its symbol.
void ExportSelectedSeries(const CommandContext& context) {
  const BrowserState& state = context.browser->State();
  const std::vector<ListedSymbol> rows = state.symbols.SelectedSymbols();
  std::vector<std::string> symbols;
  for (const ListedSymbol& row : rows) symbols.push_back(row.symbol);
  ExportDialog dialog(LoadExportSettings(*context.settings), context, symbols);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  RunSeriesExport(state.portfolioDir, rows, dialog.Chosen(), *context.settings, *context.prompt);
}

void ExportQuotes(const CommandContext& context) {
  if (context.browser->State().symbols.ManySelected()) return ExportSelectedSeries(context);
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
