#include <gtest/gtest.h>

#include <algorithm>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string LastLine(const std::string& text) {
  const std::string body = text.substr(0, text.size() - 1);  // text ends with '\n'
  return body.substr(body.rfind('\n') + 1);
}

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

  // The long series holds more quotes than one read may: every quote once, in order.
  const auto newest = RunCli({"quotes", root + "/Stocks", "LONG"});
  ASSERT_EQ(newest.exitCode, 0) << newest.err;
  EXPECT_EQ(std::count(newest.out.begin(), newest.out.end(), '\n'), 16600);
  EXPECT_EQ(FirstLine(newest.out).substr(0, 9), "11/27/26\t");
  const auto oldest = RunCli({"quotes", root + "/Stocks", "LONG", "--oldest-first"});
  EXPECT_EQ(FirstLine(oldest.out), LastLine(newest.out));
  EXPECT_EQ(LastLine(oldest.out), FirstLine(newest.out));
}

}  // namespace
}  // namespace voltrim::testing
