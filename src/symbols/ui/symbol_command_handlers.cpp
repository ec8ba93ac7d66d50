#include "symbols/ui/symbol_command_handlers.h"

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "symbols/new_symbol.h"
#include "symbols/symbol_batch_commands.h"
#include "symbols/symbol_commands.h"
#include "symbols/ui/delete_symbol_dialog.h"
#include "symbols/ui/edit_symbol_dialog.h"
#include "symbols/ui/new_symbol_dialog.h"
#include "symbols/ui/transfer_symbol_dialog.h"
#include "widgets/qt_prompt.h"

namespace voltrim {
namespace {

SymbolPortfolio PortfolioOf(const BrowserState& state) {
  return {state.portfolioDir, state.masterPath};
}

std::string SelectedCell(const BrowserState& state, int column) {
  return state.symbols.CellText(state.symbols.currentRow, column);
}

// The index file that lists the selected row's series, and the record's place in it.
IndexFile SelectedIndex(const BrowserState& state) {
  const SymbolRow* row = state.symbols.CurrentRow();
  return row != nullptr ? row->index : IndexFile::kMaster;
}

int SelectedRecord(const BrowserState& state) {
  const SymbolRow* row = state.symbols.CurrentRow();
  return row != nullptr ? row->record : state.symbols.currentRow;
}

void EditSymbol(const CommandContext& context) {
  Browser& browser = *context.browser;
  const BrowserState& state = browser.State();
  const IndexFile index = SelectedIndex(state);
  const int record = SelectedRecord(state);
  EditSymbolDialog dialog(SelectedCell(state, 0), NameForEditing(SelectedCell(state, 1)),
                          *context.prompt, context.window, SymbolLimit(index), NameLimit(index));
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const std::string symbol = dialog.Symbol();
  const std::string name = dialog.Name();
  if (RunSymbolEdit(PortfolioOf(state), record, symbol, name, *context.prompt, index).succeeded) {
    browser.RenameSelectedSymbol(symbol, name);
  }
}

std::vector<std::string> SymbolsOf(const std::vector<ListedSymbol>& listed) {
  std::vector<std::string> symbols;
  for (const ListedSymbol& symbol : listed) symbols.push_back(symbol.symbol);
  return symbols;
}

// Several rows selected: one question for all, one write, one undo step.
void DeleteSelectedSymbols(const CommandContext& context) {
  Browser& browser = *context.browser;
  const std::vector<ListedSymbol> listed = browser.State().symbols.SelectedSymbols();
  DeleteSymbolDialog dialog(SymbolsOf(listed), context.window);
  context.prompt->Beep(BeepKind::Question);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const SymbolCommandOutcome outcome =
      RunSymbolsDelete(PortfolioOf(browser.State()), listed, *context.prompt);
  if (outcome.refreshSymbols) browser.FillSymbolsGrid(outcome.rowToShow);
}

void TransferSelectedSymbols(const CommandContext& context, bool move) {
  Browser& browser = *context.browser;
  const BrowserState& state = browser.State();
  const std::vector<std::string> symbols = SymbolsOf(state.symbols.SelectedSymbols());
  TransferSymbolDialog dialog(move, symbols, state.portfolioDir,
                              DestinationChoices(state.portfolios, state.portfolioSelection),
                              context.window);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const SymbolCommandOutcome outcome = RunMoveOrCopySymbols(
      PortfolioOf(state), symbols, dialog.Destination(), move, *context.prompt);
  if (outcome.refreshSymbols) browser.FillSymbolsGrid(outcome.rowToShow);
}

void DeleteSelectedSymbol(const CommandContext& context) {
  Browser& browser = *context.browser;
  if (browser.State().symbols.ManySelected()) return DeleteSelectedSymbols(context);
  const std::string symbol = SelectedCell(browser.State(), 0);
  DeleteSymbolDialog dialog(symbol, context.window);
  context.prompt->Beep(BeepKind::Question);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  // The dialog has asked; the core is not to ask again.
  const SymbolCommandOutcome outcome =
      RunSymbolDelete(PortfolioOf(browser.State()), symbol, *context.prompt, /*ask=*/false,
                      SelectedIndex(browser.State()));
  if (outcome.refreshSymbols) browser.FillSymbolsGrid(outcome.rowToShow);
}

void TransferSymbol(const CommandContext& context, bool move) {
  Browser& browser = *context.browser;
  const BrowserState& state = browser.State();
  if (state.symbols.ManySelected()) return TransferSelectedSymbols(context, move);
  const TransferSymbolDialog::Source source{state.quotes.loadedSymbol, state.quotes.loadedName,
                                            state.portfolioDir};
  TransferSymbolDialog dialog(
      move, source, DestinationChoices(state.portfolios, state.portfolioSelection), context.window);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const SymbolCommandOutcome outcome = RunMoveOrCopySymbol(
      PortfolioOf(state), source.symbol, dialog.Destination(), move, *context.prompt);
  if (outcome.refreshSymbols) browser.FillSymbolsGrid(outcome.rowToShow);
}

void NewSymbol(const CommandContext& context) {
  Browser& browser = *context.browser;
  NewSymbolDialog dialog(*context.prompt, context.window);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const SymbolCommandOutcome outcome =
      RunNewSymbol(PortfolioOf(browser.State()), dialog.Series(), *context.prompt);
  if (outcome.refreshSymbols) browser.FillSymbolsGrid(outcome.rowToShow);
}

}  // namespace

void InstallSymbolCommands(const CommandContext& context, const RegisterCommand& registerCommand) {
  registerCommand(command::kSymbolEdit, [context] { EditSymbol(context); });
  registerCommand(command::kSymbolDelete, [context] { DeleteSelectedSymbol(context); });
  registerCommand(command::kSymbolMove, [context] { TransferSymbol(context, true); });
  registerCommand(command::kSymbolCopy, [context] { TransferSymbol(context, false); });
  registerCommand(command::kSymbolNew, [context] { NewSymbol(context); });
}

}  // namespace voltrim
