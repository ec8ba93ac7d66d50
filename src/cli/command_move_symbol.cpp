// move-symbol DIR SYMBOL... DESTDIR: Symbol > Move.
#include "cli/cli_transfer.h"

namespace voltrim::cli {

namespace {

int RunMoveSymbolCommand(const QStringList& arguments);

const Command kMoveSymbol{"move-symbol", "move-symbol DIR SYMBOL... DESTDIR [--from-file FILE]",
                          "moves symbols to another portfolio", RunMoveSymbolCommand};

int RunMoveSymbolCommand(const QStringList& arguments) {
  return RunTransferCommand(kMoveSymbol, arguments, /*move=*/true);
}

const CommandRegistration kMoveSymbolRegistration(kMoveSymbol);

}  // namespace

}  // namespace voltrim::cli
