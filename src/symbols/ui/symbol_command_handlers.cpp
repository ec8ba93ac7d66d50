#include "symbols/ui/symbol_command_handlers.h"

namespace voltrim {

void InstallSymbolCommands(const CommandContext& /*context*/, const RegisterCommand& /*registerCommand*/) {}

}  // namespace voltrim
