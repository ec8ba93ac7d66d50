#include "cli_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

#include <gtest/gtest.h>

extern char** environ;

namespace voltrim::testing {

CliResult RunCli(const std::vector<std::string>& arguments, const std::string& cwd,
                 const std::vector<std::string>& extraEnv) {
  TempDir captures;
  const std::string outPath = (captures.path() / "out").string();
  const std::string errPath = (captures.path() / "err").string();

  std::vector<std::string> words = {VOLTRIM_CLI_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::vector<std::string> envWords(extraEnv);
  std::vector<char*> env;
  for (auto& word : envWords) env.push_back(word.data());
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  env.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t pid = 0;
  CliResult result;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) == 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

std::string ReadText(const std::filesystem::path& file) {
  const auto bytes = ReadFileBytes(file);
  return {bytes.begin(), bytes.end()};
}

SeriesSpec AcmeSeries() {
  const auto day = [](int d) { return YmdToDay(2000, 1, d); };
  return MakeDailySeries(1, "ACME", "ACME CORP",
                         {{day(3), 12.34567f, 13, 12, 12.5f, 1234.6f},
                          {day(4), 13, 14, 12.5f, 13.5f, 2000},
                          {day(4), 13.1f, 14.1f, 12.6f, 13.6f, 2100},
                          {day(6), 14, 15, 13, 14.5f, 3000},
                          {day(8), 15, 16, 14, 15.5f, 4000},
                          {day(11), 16, 17, 15, 16.5f, 5000}});
}

std::string WriteAcmePortfolio(const std::filesystem::path& root, const std::string& name) {
  PortfolioSpec plan;
  PortfolioSpec::Entry acme, beta;
  acme.series = AcmeSeries();
  beta.series =
      MakeDailySeries(2, "BETA", "BETA INC", {{YmdToDay(2000, 1, 3), 1, 2, 0.5f, 1.5f, 9}});
  plan.entries = {acme, beta};
  const std::string dir = (root / name).string();
  EXPECT_EQ(WritePortfolio(dir, plan), 0);
  return dir;
}

Snapshot TakeSnapshot(const std::filesystem::path& root) {
  Snapshot files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      files.emplace_back(std::filesystem::relative(entry.path(), root).string(),
                         ReadFileBytes(entry.path()));
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace voltrim::testing
