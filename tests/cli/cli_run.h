#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/portfolio_builder.h"
#include "support/temp_dir.h"

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

std::string ReadText(const std::filesystem::path& file);

// ACME (file 1) quoted Mon 01/03/00, Tue 01/04/00 twice, Thu 01/06/00, Sat 01/08/00 and
// Tue 01/11/00.
SeriesSpec AcmeSeries();
// A portfolio folder root/name holding ACME and BETA (file 2).
std::string WriteAcmePortfolio(const std::filesystem::path& root, const std::string& name);

using Bytes = std::vector<unsigned char>;
using Snapshot = std::vector<std::pair<std::string, Bytes>>;
Snapshot TakeSnapshot(const std::filesystem::path& root);

}  // namespace voltrim::testing
