#include <gtest/gtest.h>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// Files named in lower case are rewritten under their own names, not beside them.
TEST(CliWriteRealData, LowerCaseFileNamesAreEditedInPlace) {
  TempDir temp;
  const std::string dir = CopyRealFolder("lowercase-names", temp.path()).string();
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  const std::string symbol = "TU2__1990U";
  const std::string row = "09/18/90\t96.5550\t96.5550\t96.5550\t96.5550\t20\t2163\n";
  const CliResult before = RunCli({"quotes", dir, symbol});
  ASSERT_EQ(before.exitCode, 0) << before.err;
  const std::size_t at = before.out.find(row);
  ASSERT_NE(at, std::string::npos);

  ASSERT_EQ(RunCli({"edit", dir, symbol, "09/18/90", "--close", "96.6"}).exitCode, 0);
  std::string expected = before.out;
  expected.replace(at, row.size(), "09/18/90\t96.5550\t96.5550\t96.5550\t96.6000\t20\t2163\n");
  EXPECT_EQ(RunCli({"quotes", dir, symbol}).out, expected);  // every other row as before
  EXPECT_TRUE(fs::exists(fs::path(dir) / "F1.dat"));
  EXPECT_FALSE(fs::exists(fs::path(dir) / "F1.DAT"));

  ASSERT_EQ(RunCli({"delete-quote", dir, symbol, "09/18/90"}).exitCode, 0);
  expected.erase(at, row.size());
  EXPECT_EQ(RunCli({"quotes", dir, symbol}).out, expected);
}

}  // namespace
}  // namespace voltrim::testing
