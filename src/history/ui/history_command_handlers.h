#pragma once

#include "widgets/command_context.h"

namespace voltrim {

// Edit > Undo, Redo and History...: each step through the current portfolio's history,
// then the grids and the chart read the portfolio again.
void InstallHistoryCommands(const CommandContext& context, const RegisterCommand& registerCommand);

}  // namespace voltrim
