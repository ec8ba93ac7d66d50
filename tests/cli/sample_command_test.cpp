#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "cli_run.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::RunCli;
using testing::TempDir;

std::size_t CountLines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

std::string LastLine(const std::string& text) {
  const auto end = text.size() - 1;  // text ends with '\n'
  return text.substr(text.rfind('\n', end - 1) + 1, end - text.rfind('\n', end - 1) - 1);
}

// One sample written for the whole suite: it is the slowest thing here.
class SampleCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    root_ = (dir_->path() / "demo").string();
    result_ = RunCli({"sample", root_});
  }
  static void TearDownTestSuite() { delete dir_; }

  static std::string Portfolio(const char* name) { return root_ + "/" + name; }

  static inline TempDir* dir_ = nullptr;
  static inline std::string root_;
  static inline testing::CliResult result_;
};

TEST_F(SampleCommand, WritesAndListsThePortfolios) {
  EXPECT_EQ(result_.exitCode, 0) << result_.err;
  EXPECT_EQ(result_.out, Portfolio("Stocks") + "\n" + Portfolio("Futures") + "\n" +
                             Portfolio("Legacy") + "\n" + Portfolio("Legacy/ARCHIVE") + "\n");
  for (const char* name : {"Stocks", "Futures", "Legacy", "Legacy/ARCHIVE"}) {
    EXPECT_TRUE(std::filesystem::exists(Portfolio(name) + "/MASTER")) << name;
  }
}

TEST_F(SampleCommand, RefusesAFolderThatIsNotEmptyAndChangesNothing) {
  const auto master = Portfolio("Stocks") + "/MASTER";
  const auto before = testing::ReadFileBytes(master);
  const auto again = RunCli({"sample", root_});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.out, "");
  EXPECT_NE(again.err.find("is not empty"), std::string::npos) << again.err;
  EXPECT_EQ(testing::ReadFileBytes(master), before);

  const auto onFile = RunCli({"sample", master});
  EXPECT_EQ(onFile.exitCode, 1);
  EXPECT_EQ(testing::ReadFileBytes(master), before);
}

TEST_F(SampleCommand, SymbolsOfTheMainPortfolioAndTheOneNeedingRepair) {
  auto result = RunCli({"symbols", Portfolio("Stocks")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(FirstLine(result.out), "ACME\tACME INDUSTRIES ");
  EXPECT_EQ(result.err, "");  // nothing to repair in the main portfolio

  result = RunCli({"symbols", Portfolio("Legacy")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("PACIFIC MILLS   \tPACIFIC MILLS   \n"), std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("ARCHIVE    <DIR>"), std::string::npos);
  EXPECT_NE(result.err.find("appears corrupted"), std::string::npos) << result.err;
}

// The long series crosses many 400-quote windows: every quote once, in order.
TEST_F(SampleCommand, LongSeriesPrintsEveryQuoteOnce) {
  const auto newest = RunCli({"quotes", Portfolio("Stocks"), "LONG"});
  ASSERT_EQ(newest.exitCode, 0) << newest.err;
  EXPECT_EQ(CountLines(newest.out), 16600u);
  EXPECT_EQ(FirstLine(newest.out).substr(0, 9), "11/27/26\t");

  const auto oldest = RunCli({"quotes", Portfolio("Stocks"), "LONG", "--oldest-first"});
  ASSERT_EQ(oldest.exitCode, 0) << oldest.err;
  EXPECT_EQ(FirstLine(oldest.out), LastLine(newest.out));
  EXPECT_EQ(LastLine(oldest.out), FirstLine(newest.out));
}

TEST_F(SampleCommand, InferredLayoutsShowNAForFieldsTheyLack) {
  // 20-byte records without DOP: date, high, low, close, volume (no open).
  auto result = RunCli({"quotes", Portfolio("Stocks"), "CRNR"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(CountLines(result.out), 45u);
  EXPECT_NE(FirstLine(result.out).find("\tN/A\t"), std::string::npos) << result.out;

  result = RunCli({"facts", Portfolio("Futures"), "ESH7"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Data format: I Intra-day\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Time Input: "), std::string::npos) << result.out;
}

}  // namespace
}  // namespace voltrim
