#pragma once

#include "widgets/command_context.h"

namespace voltrim {

// Wires Portfolio > Split Search to their windows.
void InstallSplitSearchCommand(const CommandContext& context,
                               const RegisterCommand& registerCommand);

}  // namespace voltrim
