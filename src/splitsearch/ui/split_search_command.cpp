#include "splitsearch/ui/split_search_command.h"

namespace voltrim {

void InstallSplitSearchCommand(const CommandContext& /*context*/, const RegisterCommand& /*registerCommand*/) {}

}  // namespace voltrim
