#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "gui_fixture.h"

namespace voltrim::testing {

// A copy of the test drive for voltrim-cli, so that a request made through a window and the
// same request made through the CLI can be compared file by file.
class TwinDrive {
 public:
  explicit TwinDrive(const TempDir& drive) : drive_(drive) {
    std::filesystem::copy(drive.path(), twin_.path(), std::filesystem::copy_options::recursive);
  }

  std::string Path(const std::string& relative) const { return (twin_.path() / relative).string(); }

  void RunCli(const std::vector<std::string>& arguments) const {
    const CliResult result = testing::RunCli(arguments);
    EXPECT_EQ(result.exitCode, 0) << result.err;
  }

  // Every file below both drives, byte for byte.
  void ExpectSameFiles() const {
    const Snapshot window = TakeSnapshot(drive_.path());
    const Snapshot cli = TakeSnapshot(twin_.path());
    ASSERT_EQ(window.size(), cli.size());
    for (const auto& [path, bytes] : window) {
      const auto other = cli.find(path);
      ASSERT_NE(other, cli.end()) << path;
      EXPECT_TRUE(bytes == other->second) << path;
    }
  }

 private:
  const TempDir& drive_;
  TempDir twin_;
};

}  // namespace voltrim::testing
