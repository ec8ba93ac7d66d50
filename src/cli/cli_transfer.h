#pragma once

#include <QStringList>

namespace voltrim::cli {

// copy-symbol and move-symbol: one command body with the move flag.
int RunTransferCommand(const QStringList& arguments, bool move);

}  // namespace voltrim::cli
