// delete-symbol DIR SYMBOL: Symbol > Delete, answered Yes.
#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

namespace {

int RunDeleteSymbolCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Deletes the symbol shown as SYMBOL, as Symbol > Delete does after Yes (no question is\n"
      "asked): its MASTER record goes and then its F<n>.DAT, F<n>.DOP and F<n>.BAK.",
      {{"DIR", "Portfolio folder."}, {"SYMBOL", "Symbol as the symbols list shows it."}}, 2);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  const std::string dir = ToText(positional[0]);
  SymbolRow row;
  if (!FindSymbolRow(dir, ToText(positional[1]), row)) return kExitFailed;
  CliPrompt prompt;
  const SymbolPortfolio portfolio{dir, MasterPathOf(dir)};
  return RunSymbolDelete(portfolio, row.symbol, prompt, /*ask=*/false).succeeded ? kExitOk
                                                                                 : kExitFailed;
}

}  // namespace

static const CommandRegistration kRegistration({"delete-symbol", "delete-symbol DIR SYMBOL",
                                                "delete a symbol and its files",
                                                RunDeleteSymbolCommand});

}  // namespace voltrim::cli
