#pragma once

#include "widgets/command_context.h"

namespace voltrim {

// Wires Quotes > Export to their windows.
void InstallExportCommand(const CommandContext& context, const RegisterCommand& registerCommand);

}  // namespace voltrim
