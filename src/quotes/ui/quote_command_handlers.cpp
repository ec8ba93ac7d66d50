#include "quotes/ui/quote_command_handlers.h"

namespace voltrim {

void InstallQuoteCommands(const CommandContext& /*context*/, const RegisterCommand& /*registerCommand*/) {}

}  // namespace voltrim
