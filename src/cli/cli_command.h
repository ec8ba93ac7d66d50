#pragma once

#include <QStringList>

#include <string>
#include <vector>

namespace voltrim::cli {

// Exit statuses of voltrim-cli.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// The main change stands but not all of it was done (stderr says what is left); a script
// must not simply run the command again.
inline constexpr int kExitPartlyDone = 3;

inline int ExitStatus(bool succeeded, bool partlyDone) {
  if (succeeded) return kExitOk;
  return partlyDone ? kExitPartlyDone : kExitFailed;
}

// One subcommand. `run` gets the arguments after the command name (the program name
// first, as QCommandLineParser expects) and returns an exit status.
struct Command {
  const char* name;
  const char* synopsis;  // e.g. "quotes DIR SYMBOL [--oldest-first]"
  const char* summary;   // one line for the command list
  int (*run)(const QStringList& arguments);
};

// Each command's source file registers itself with a static CommandRegistration, so that
// adding a command needs no edit elsewhere.
const std::vector<Command>& Commands();

struct CommandRegistration {
  explicit CommandRegistration(const Command& command);
};

}  // namespace voltrim::cli
