#pragma once

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
// `extraEnv` ("NAME=value") change the child only.
CliResult RunCli(const std::vector<std::string>& arguments, const std::string& cwd = {},
                 const std::vector<std::string>& extraEnv = {});

}  // namespace voltrim::testing
