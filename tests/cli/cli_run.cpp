#include "cli_run.h"

#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

namespace voltrim::testing {
namespace {

// The word in single quotes, safe from the shell whatever it holds.
std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string SystemReason(int error) {
  const std::string messages = std::setlocale(LC_MESSAGES, nullptr);
  const std::string characters = std::setlocale(LC_CTYPE, nullptr);
  std::setlocale(LC_MESSAGES, "");
  if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) std::setlocale(LC_CTYPE, "C");
  std::string reason = std::strerror(error);
  std::setlocale(LC_MESSAGES, messages.c_str());
  std::setlocale(LC_CTYPE, characters.c_str());
  return reason;
}

CliResult RunCli(const std::vector<std::string>& arguments, const std::string& cwd,
                 const std::vector<std::string>& extraEnv, const std::string& input) {
  TempDir captures;
  WriteFileBytes(captures.path() / "in", std::vector<unsigned char>(input.begin(), input.end()));
  std::string command = "cd " + Quoted(cwd.empty() ? "." : cwd) + " && env";
  for (const std::string& variable : extraEnv) command += " " + Quoted(variable);
  command += " " + Quoted(VOLTRIM_CLI_PATH);
  for (const std::string& word : arguments) command += " " + Quoted(word);
  command += " <" + Quoted(captures.str() + "/in") + " >" + Quoted(captures.str() + "/out") +
             " 2>" + Quoted(captures.str() + "/err");
  const int status = std::system(command.c_str());
  CliResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadText(captures.path() / "out");
  result.err = ReadText(captures.path() / "err");
  return result;
}

}  // namespace voltrim::testing
