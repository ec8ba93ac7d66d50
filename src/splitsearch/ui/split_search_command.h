#pragma once

#include "splitsearch/ui/split_search_window.h"
#include "widgets/command_context.h"

namespace voltrim {

// Wires Portfolio > Split Search to their windows; their Enter Split opens the split through
// enterSplit.
void InstallSplitSearchCommand(const CommandContext& context,
                               const RegisterCommand& registerCommand,
                               EnterSplitRequest enterSplit);

}  // namespace voltrim
