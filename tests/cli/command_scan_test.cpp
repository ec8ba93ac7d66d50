#include <gtest/gtest.h>

#include <fstream>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

// Argument mistakes of scan are among the refusals of cli_write_test.
TEST(ScanCommandTest, ListsPortfoliosBelowTheCurrentFolderSortedOrSaysNoneFound) {
  TempDir tree, home;
  Touch(tree.path() / "demo" / "Stocks" / "MASTER");
  Touch(tree.path() / "demo" / "bonds" / "master");
  Touch(tree.path() / "demo" / "bonds" / "daily" / "MASTER");
  Touch(tree.path() / "other" / "MASTER");
  fs::create_directories(tree.path() / "empty");
  const std::string demo = (tree.path() / "demo").string();
  const auto scan = [&](const fs::path& cwd, std::vector<std::string> options) {
    options.insert(options.begin(), "scan");
    return RunCli(options, cwd.string(), {"XDG_CONFIG_HOME=" + home.str() + "/config"});
  };

  const CliResult all = scan(demo, {});
  EXPECT_EQ(all.exitCode, 0) << all.err;
  EXPECT_EQ(all.out, demo + "/bonds\n" + demo + "/bonds/daily\n" + demo + "/Stocks\n");
  EXPECT_FALSE(fs::exists(home.path() / "config")) << "scan must not write settings";

  const CliResult none = scan(tree.path() / "empty", {"--drive", "/"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "No master files found on drive /\n\n(Is your Portfolio Search Filter setting "
            "correct?)\n");
}

}  // namespace
}  // namespace voltrim::testing
