#include <gtest/gtest.h>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

// What the portfolios hold is checked with the readers; here: the command and its refusal.
TEST(SampleCommand, WritesThePortfoliosOnceAndNeverOverwrites) {
  TempDir dir;
  const std::string root = (dir.path() / "demo").string();
  const auto result = RunCli({"sample", root});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, root + "/Stocks\n" + root + "/Futures\n" + root + "/Legacy\n" + root +
                            "/Legacy/ARCHIVE\n");

  const std::string master = root + "/Stocks/MASTER";
  const auto before = ReadFileBytes(master);
  for (const std::string& target : {root, master}) {
    const auto again = RunCli({"sample", target});
    EXPECT_EQ(again.exitCode, 1) << target;
    EXPECT_EQ(again.out, "");
    EXPECT_NE(again.err.find("nothing"), std::string::npos) << again.err;
  }
  EXPECT_EQ(ReadFileBytes(master), before);
}

}  // namespace
}  // namespace voltrim::testing
