// delete-symbol DIR SYMBOL: Symbol > Delete, answered Yes.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "datafiles/format/master_image.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

namespace {

int RunDeleteSymbolCommand(const QStringList& arguments);

const Command kDeleteSymbol{"delete-symbol", "delete-symbol DIR SYMBOL",
                            "deletes a symbol and its files", RunDeleteSymbolCommand};

int RunDeleteSymbolCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kDeleteSymbol, 2, 2,
      "Deletes the symbol listed as SYMBOL, as Symbol > Delete does after Yes (no question\n"
      "is asked): its MASTER record goes, then its F<n>.DAT, F<n>.DOP and F<n>.BAK; a\n"
      "symbol XMASTER lists goes from XMASTER, then its F<n>.MWD, F<n>.DOP and F<n>.BAK."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  SymbolRow row;
  if (!FindSymbolRow(*dir, TextArgument(positional[1]), row)) return kExitFailed;
  if (row.index == IndexFile::kMaster) WarnIfEmasterOutOfStep(*dir);
  CliPrompt prompt;
  const SymbolPortfolio portfolio{*dir, MasterPathIn(*dir)};
  const SymbolCommandOutcome outcome =
      RunSymbolDelete(portfolio, row.symbol, prompt, false, row.index);
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

const CommandRegistration kDeleteSymbolRegistration(kDeleteSymbol);

}  // namespace

}  // namespace voltrim::cli
