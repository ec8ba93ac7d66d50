// move-symbol DIR SYMBOL DESTDIR: Symbol > Move.
#include "cli/cli_command.h"
#include "cli/cli_transfer.h"

namespace voltrim::cli {

namespace {
int RunMoveSymbolCommand(const QStringList& arguments) {
  return RunTransferCommand(arguments, /*move=*/true);
}
}  // namespace

static const CommandRegistration kRegistration({"move-symbol", "move-symbol DIR SYMBOL DESTDIR",
                                                "move a symbol to another portfolio",
                                                RunMoveSymbolCommand});

}  // namespace voltrim::cli
