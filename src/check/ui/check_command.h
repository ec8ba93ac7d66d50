#pragma once

#include "widgets/command_context.h"

namespace voltrim {

// Wires Portfolio > Check to its window.
void InstallCheckCommand(const CommandContext& context, const RegisterCommand& registerCommand);

}  // namespace voltrim
