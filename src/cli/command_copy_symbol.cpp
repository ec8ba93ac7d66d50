// copy-symbol DIR SYMBOL DESTDIR: Symbol > Copy.
#include "cli/cli_command.h"
#include "cli/cli_transfer.h"

namespace voltrim::cli {

namespace {
int RunCopySymbolCommand(const QStringList& arguments) {
  return RunTransferCommand(arguments, /*move=*/false);
}
}  // namespace

static const CommandRegistration kRegistration({"copy-symbol", "copy-symbol DIR SYMBOL DESTDIR",
                                                "copy a symbol to another portfolio",
                                                RunCopySymbolCommand});

}  // namespace voltrim::cli
