#pragma once

#include "widgets/command_context.h"

namespace voltrim {

// Wires Symbol > New, Edit, Delete, Move and Copy to their windows.
void InstallSymbolCommands(const CommandContext& context, const RegisterCommand& registerCommand);

}  // namespace voltrim
