#pragma once

#include "widgets/command_context.h"

namespace voltrim {

// Wires Quotes > Edit, Split, Adjust, Add and Delete to their windows.
void InstallQuoteCommands(const CommandContext& context, const RegisterCommand& registerCommand);

}  // namespace voltrim
