#include "export/ui/export_command_handler.h"

namespace voltrim {

void InstallExportCommand(const CommandContext& /*context*/, const RegisterCommand& /*registerCommand*/) {}

}  // namespace voltrim
