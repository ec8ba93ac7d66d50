#include "cli/cli_command.h"

#include <algorithm>
#include <cstring>

namespace voltrim::cli {

namespace {
std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}
}  // namespace

const std::vector<Command>& Commands() { return Registry(); }

CommandRegistration::CommandRegistration(const Command& command) {
  auto& commands = Registry();
  const auto at = std::lower_bound(
      commands.begin(), commands.end(), command,
      [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  commands.insert(at, command);
}

}  // namespace voltrim::cli
