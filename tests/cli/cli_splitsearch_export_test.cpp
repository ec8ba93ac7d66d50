#include <gtest/gtest.h>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

// XYZ halves on its third quote (a 2-for-1 split candidate); ONE has a single quote.
class CliSplitSearchExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const DayNumber first = DateFloatToDay(990104.0f);
    const auto day = [first](int i) { return static_cast<DayNumber>(first + i); };
    PortfolioSpec plan;
    plan.entries.resize(2);
    plan.entries[0].series = MakeDailySeries(1, "XYZ", "XYZ CORP",
                                             {{day(0), 100, 101, 98, 100, 1000},
                                              {day(1), 100, 101, 99, 100.5f, 1500},
                                              {day(2), 50, 52, 49, 50, 3000}});
    plan.entries[1].series = MakeDailySeries(2, "ONE", "ONE QUOTE", {{day(0), 1, 1, 1, 1, 1}});
    ASSERT_EQ(WritePortfolio(dir_, plan), kOk);
  }

  TempDir temp_;
  std::string dir_ = (temp_.path() / "data").string();
};

// Writing to a file is the core's, tested with the export and the results file.
TEST_F(CliSplitSearchExportTest, ExportToStdout) {
  const CliResult r = RunCli({"export", dir_, "xyz", "--delimiter", "comma", "--omit",
                              "open,Volume", "--newest-first", "--title"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out,
            "DATE,HIGH,LOW,CLOSE,OI\r\n"
            "01/06/99,52.0000,49.0000,50.0000,N/A\r\n"
            "01/05/99,101.0000,99.0000,100.5000,N/A\r\n"
            "01/04/99,101.0000,98.0000,100.0000,N/A\r\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(CliSplitSearchExportTest, SplitSearchListsCandidatesAndReportsOnStderr) {
  const CliResult r = RunCli({"split-search", dir_});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "XYZ possible 2 for 1 split on 01/06/99\n");
  EXPECT_EQ(
      r.err,
      "For symbol ONE\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.\n");
}

}  // namespace
}  // namespace voltrim::testing
