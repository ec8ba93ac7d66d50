#pragma once

#include <QStringList>

#include "cli/cli_command.h"

namespace voltrim::cli {

// copy-symbol and move-symbol: one command body with the move flag.
int RunTransferCommand(const Command& command, const QStringList& arguments, bool move);

}  // namespace voltrim::cli
