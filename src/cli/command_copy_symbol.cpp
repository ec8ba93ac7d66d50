// copy-symbol DIR SYMBOL... DESTDIR: Symbol > Copy.
#include "cli/cli_transfer.h"

namespace voltrim::cli {

namespace {

int RunCopySymbolCommand(const QStringList& arguments);

const Command kCopySymbol{"copy-symbol", "copy-symbol DIR SYMBOL... DESTDIR [--from-file FILE]",
                          "copies symbols to another portfolio", RunCopySymbolCommand};

int RunCopySymbolCommand(const QStringList& arguments) {
  return RunTransferCommand(kCopySymbol, arguments, /*move=*/false);
}

const CommandRegistration kCopySymbolRegistration(kCopySymbol);

}  // namespace

}  // namespace voltrim::cli
