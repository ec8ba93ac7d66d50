#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace voltrim {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs voltrim-cli scan in `folder` with a private configuration home.
CliRun Scan(const fs::path& folder, const fs::path& home, const std::string& options) {
  const fs::path out = home / "out.txt";
  const fs::path err = home / "err.txt";
  const std::string command = "cd '" + folder.string() + "' && XDG_CONFIG_HOME='" +
                              (home / "config").string() + "' '" + VOLTRIM_CLI_PATH + "' scan " +
                              options + " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

TEST(ScanCommandTest, ListsPortfoliosBelowTheCurrentFolderSorted) {
  testing::TempDir tree, home;
  Touch(tree.path() / "demo" / "Stocks" / "MASTER");
  Touch(tree.path() / "demo" / "bonds" / "master");
  Touch(tree.path() / "demo" / "bonds" / "daily" / "MASTER");
  Touch(tree.path() / "other" / "MASTER");
  const std::string demo = (tree.path() / "demo").string();

  const CliRun run = Scan(tree.path() / "demo", home.path(), "");
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, demo + "/bonds\n" + demo + "/bonds/daily\n" + demo + "/Stocks\n");
  EXPECT_FALSE(fs::exists(home.path() / "config")) << "scan must not write settings";

  const CliRun filtered = Scan(tree.path(), home.path(), "--filter '" + demo + "/bonds'");
  EXPECT_EQ(filtered.exitCode, 0) << filtered.err;
  EXPECT_EQ(filtered.out, demo + "/bonds\n" + demo + "/bonds/daily\n");
}

TEST(ScanCommandTest, NothingFoundAndBadArguments) {
  testing::TempDir tree, home;
  fs::create_directories(tree.path() / "empty");
  const CliRun none = Scan(tree.path() / "empty", home.path(), "--drive /");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err,
            "No master files found on drive /\n\n(Is your Portfolio Search Filter setting "
            "correct?)\n");

  const CliRun relative = Scan(tree.path(), home.path(), "--filter stocks");
  EXPECT_EQ(relative.exitCode, 2);
  EXPECT_EQ(relative.err, "The Search Filter path refers to an unknown drive\n");

  EXPECT_EQ(Scan(tree.path(), home.path(), "--drive /no/such/mount").exitCode, 2);
  EXPECT_EQ(Scan(tree.path(), home.path(), "--filter / --no-filter").exitCode, 2);
  EXPECT_EQ(Scan(tree.path(), home.path(), "extra").exitCode, 2);
}

}  // namespace
}  // namespace voltrim
