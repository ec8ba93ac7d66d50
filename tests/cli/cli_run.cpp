#include "cli_run.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <iterator>

#include "support/temp_dir.h"

extern char** environ;

namespace voltrim::testing {

CliResult RunCli(const std::vector<std::string>& arguments) {
  TempDir captures;
  const std::string outPath = (captures.path() / "out").string();
  const std::string errPath = (captures.path() / "err").string();

  std::vector<std::string> words = {VOLTRIM_CLI_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  pid_t pid = 0;
  CliResult result;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  const auto out = ReadFileBytes(outPath);
  const auto err = ReadFileBytes(errPath);
  result.out.assign(out.begin(), out.end());
  result.err.assign(err.begin(), err.end());
  return result;
}

}  // namespace voltrim::testing
