#pragma once

#include <string>
#include <vector>

namespace voltrim::testing {

struct CliResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs the built voltrim-cli with the arguments and collects what it printed.
CliResult RunCli(const std::vector<std::string>& arguments);

}  // namespace voltrim::testing
