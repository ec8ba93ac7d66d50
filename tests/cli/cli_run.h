#pragma once

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/fixtures.h"

namespace voltrim::testing {

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the built voltrim-cli with the arguments and collects what it printed; `cwd` and
// `extraEnv` ("NAME=value") change the child only; `input` is its standard input.
CliResult RunCli(const std::vector<std::string>& arguments, const std::string& cwd = {},
                 const std::vector<std::string>& extraEnv = {}, const std::string& input = {});

// The system's reason for an error as voltrim-cli words it: in the language of the
// environment's locale, which Qt sets for the program.
std::string SystemReason(int error);

// Commands run in a folder of the test's own, with a private configuration home so that
// nothing touches the user's settings. In a word or a message, "{tmp}" stands for that
// folder, "{name}" for the folder of that name in it, and "{ENOENT}" and "{EISDIR}" for the
// system's reasons.
class CliTest : public ::testing::Test {
 protected:
  std::string Expand(std::string text) const {
    for (auto at = text.find('{'); at != std::string::npos; at = text.find('{', at)) {
      const auto end = text.find('}', at);
      const std::string name = text.substr(at + 1, end - at - 1);
      text.replace(at, end - at + 1,
                   name == "tmp"      ? temp_.str()
                   : name == "ENOENT" ? SystemReason(ENOENT)
                   : name == "EISDIR" ? SystemReason(EISDIR)
                                      : temp_.str() + "/" + name);
    }
    return text;
  }
  CliResult Run(std::vector<std::string> arguments, const std::string& input = {}) const {
    for (std::string& word : arguments) word = Expand(word);
    return RunCli(
        arguments, temp_.str(),
        {"XDG_CONFIG_HOME=" + temp_.str() + "/config", "VOLTRIM_LOCK_WAIT_MS=" + lockWaitMs_},
        input);
  }
  // The words of a line split at each blank.
  CliResult RunLine(const std::string& line, const std::string& input = {}) const {
    std::vector<std::string> words;
    for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
      end = line.find(' ', at);
      words.push_back(line.substr(at, end - at));
    }
    return Run(line.empty() ? std::vector<std::string>{} : words, input);
  }

  TempDir temp_;
  std::string lockWaitMs_;  // how long a write waits for a held folder; empty: the usual wait
};

}  // namespace voltrim::testing
