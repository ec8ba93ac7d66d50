#include "cli/cli_transfer.h"

#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "datafiles/format/master_image.h"
#include "datafiles/write/symbol_files.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

int RunTransferCommand(const Command& command, const QStringList& arguments, bool move) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      command, 3, 3,
      move ? "Moves the symbol SYMBOL (symbol or name, any case) to the portfolio DESTDIR, as\n"
             "Symbol > Move does: it gets the lowest free file number there, then leaves this\n"
             "portfolio. A symbol or name already in DESTDIR, or a full DESTDIR, is refused."
           : "Copies the symbol SYMBOL (symbol or name, any case) to the portfolio DESTDIR, as\n"
             "Symbol > Copy does: it gets the lowest free file number there; this portfolio\n"
             "is not changed. A symbol or name already in DESTDIR, or a full DESTDIR, is\n"
             "refused."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const auto destination = PortfolioArgument(positional[2]);
  if (!destination) return kExitFailed;
  if (move) WarnIfEmasterOutOfStepFor(*dir, SymbolSearchText(TextArgument(positional[1])));
  WarnIfEmasterOutOfStep(*destination);
  CliPrompt prompt;
  const SymbolPortfolio portfolio{*dir, MasterPathIn(*dir)};
  const SymbolCommandOutcome outcome =
      RunMoveOrCopySymbol(portfolio, TextArgument(positional[1]), *destination, move, prompt);
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

}  // namespace voltrim::cli
