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

// ACME (file 1) quoted Mon 01/03/00, Tue 01/04/00 twice, Thu 01/06/00, Sat 01/08/00 and
// Tue 01/11/00.
SeriesSpec AcmeSeries();
// A portfolio folder root/name holding ACME and BETA (file 2, one quote).
std::string WriteAcmePortfolio(const std::filesystem::path& root, const std::string& name);

}  // namespace voltrim::testing
