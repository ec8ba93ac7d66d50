#include "cli/cli_transfer.h"

#include "cli/cli_command.h"
#include "cli/cli_prompt.h"
#include "cli/cli_write_common.h"
#include "symbols/symbol_commands.h"

namespace voltrim::cli {

int RunTransferCommand(const QStringList& arguments, bool move) {
  QCommandLineParser parser;
  const char* description =
      move ? "Moves the symbol to the portfolio DESTDIR, as Symbol > Move does: it gets the\n"
             "lowest free file number there, then leaves this portfolio. A symbol or name\n"
             "already present in DESTDIR, or a full DESTDIR, is refused."
           : "Copies the symbol to the portfolio DESTDIR, as Symbol > Copy does: it gets the\n"
             "lowest free file number there; this portfolio is not changed. A symbol or name\n"
             "already present in DESTDIR, or a full DESTDIR, is refused.";
  const std::optional<int> done =
      ParseWriteCommand(parser, arguments, description,
                        {{"DIR", "Portfolio folder holding the symbol."},
                         {"SYMBOL", "Symbol or name (any case)."},
                         {"DESTDIR", "Destination portfolio folder."}},
                        3);
  if (done) return *done;
  const QStringList positional = parser.positionalArguments();
  const std::string dir = ToText(positional[0]);
  const std::string destination = ToText(positional[2]);
  if (destination.empty()) return UsageError(parser, "DESTDIR is empty");
  CliPrompt prompt;
  const SymbolPortfolio portfolio{dir, MasterPathOf(dir)};
  return RunMoveOrCopySymbol(portfolio, ToText(positional[1]), destination, move, prompt).succeeded
             ? kExitOk
             : kExitFailed;
}

}  // namespace voltrim::cli
