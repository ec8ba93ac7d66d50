#include "cli/cli_transfer.h"

#include <limits>

#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_prompt.h"
#include "cli/cli_symbol_list.h"
#include "cli/cli_write_common.h"
#include "datafiles/format/master_image.h"
#include "datafiles/write/symbol_files.h"
#include "symbols/symbol_batch_commands.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

int RunTransferCommand(const Command& command, const QStringList& arguments, bool move) {
  QCommandLineParser parser;
  const QCommandLineOption fromFile = FromFileOption();
  parser.addOption(fromFile);
  QStringList positional;
  const ArgumentSpec plan{
      command, 2, std::numeric_limits<int>::max(),
      move ? "Moves the symbol SYMBOL (symbol or name, any case) to the portfolio DESTDIR, as\n"
             "Symbol > Move does: it gets the lowest free file number there, then leaves this\n"
             "portfolio. A symbol or name already in DESTDIR, or a full DESTDIR, is refused.\n"
             "\n"
             "Several symbols move in one step, undone by one undo: MASTER's free numbers are\n"
             "taken first, then XMASTER's. Every one is checked first; one that is refused\n"
             "refuses them all, naming each reason, with nothing written."
           : "Copies the symbol SYMBOL (symbol or name, any case) to the portfolio DESTDIR, as\n"
             "Symbol > Copy does: it gets the lowest free file number there; this portfolio\n"
             "is not changed. A symbol or name already in DESTDIR, or a full DESTDIR, is\n"
             "refused.\n"
             "\n"
             "Several symbols are copied in one step, undone by one undo: MASTER's free\n"
             "numbers are taken first, then XMASTER's. Every one is checked first; one that is\n"
             "refused refuses them all, naming each reason, with nothing written."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  int exitStatus = kExitOk;
  const auto symbols =
      SymbolList(command, parser, fromFile, positional.mid(1, positional.size() - 2), exitStatus);
  if (!symbols) return exitStatus;
  const auto dir = PortfolioArgument(positional.front());
  if (!dir) return kExitFailed;
  const auto destination = PortfolioArgument(positional.back());
  if (!destination) return kExitFailed;
  if (move) {
    std::vector<std::string> searched;
    for (const std::string& symbol : *symbols) searched.push_back(SymbolSearchText(symbol));
    WarnIfEmasterOutOfStepFor(*dir, searched);
  }
  WarnIfEmasterOutOfStep(*destination);
  CliPrompt prompt;
  const SymbolPortfolio portfolio{*dir, MasterPathIn(*dir)};
  const SymbolCommandOutcome outcome =
      symbols->size() == 1
          ? RunMoveOrCopySymbol(portfolio, symbols->front(), *destination, move, prompt)
          : RunMoveOrCopySymbols(portfolio, *symbols, *destination, move, prompt);
  return ExitStatus(outcome.succeeded, outcome.partlyDone);
}

}  // namespace voltrim::cli
