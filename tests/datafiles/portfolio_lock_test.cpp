#include "datafiles/io/portfolio_lock.h"

#include <gtest/gtest.h>

#include "write_commands.h"

namespace voltrim::testing {
namespace {

using namespace std::chrono_literals;

// p: ACME (5 quotes), OTHER and the subdirectory SUB holding ZED; q: D1.
class PortfolioLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p_ = Write(temp_.path() / "p",
               Portfolio({Symbol(1, "ACME", "ACME CORP", 5), Symbol(2, "OTHER", "OTHER INC"),
                          SubdirectoryEntry("SUB")}));
    Write(temp_.path() / "p" / "SUB", Portfolio({Symbol(1, "ZED", "ZED CO", 3)}));
    q_ = Write(temp_.path() / "q", Portfolio({Symbol(1, "D1", "DEST ONE")}));
  }
  TempDir temp_;
  std::string p_, q_;
};

// Every write and every undo, with its folders held by another program past the wait, fails
// and changes nothing (a move and its undo wait for either folder); once they are free, it
// goes through (the sweeps run each free). So does a series in a subdirectory.
TEST_F(PortfolioLockTest, AWriterThatWaitsInVainFailsAndChangesNothing) {
  const LockWait shortWait(5ms);
  for (const WriteCommand& row : WriteAndUndoCommands()) {
    if (row.undoIn) continue;  // a new portfolio holds no folder that was there
    int busy = 0;
    for (const std::string held : {"p", "q"}) {
      SCOPED_TRACE(std::string(row.name) + ", holding " + held);
      TempDir temp;
      MakeFixture(temp.path(), row);
      const Snapshot before = TakeSnapshot(temp.path());
      const FolderHolder other(temp.path() / held);
      const int result = row.run((temp.path() / "p").string(), (temp.path() / "q").string());
      EXPECT_TRUE(result == kPortfolioBusy || result >= 0) << result;  // untouched: it runs
      if (result == kPortfolioBusy) {
        EXPECT_EQ(TakeSnapshot(temp.path()), before);
        ++busy;
      }
    }
    EXPECT_GT(busy, 0) << row.name;
    const bool both = std::string(row.name).find("move") != std::string::npos;
    EXPECT_EQ(busy, both ? 2 : busy) << row.name;
  }
  const DayNumber mon = Day(2000, 1, 3);
  const SeriesEdit set = Edit(edit_kind::kSet, mon, mon, {99, 99, 99, 99, 99, 99});
  {
    const FolderHolder other(temp_.path() / "p" / "SUB");
    EXPECT_EQ(RewriteSeries(set, p_, "ZED"), kPortfolioBusy);
    EXPECT_EQ(MoveOrCopySymbol(p_, "ZED", q_, true), kPortfolioBusy);
  }
  EXPECT_EQ(RewriteSeries(set, p_, "ZED"), kOk);
  EXPECT_EQ(ReadQuotes(p_, "ZED")[0].close, 99.0f);
}

TEST_F(PortfolioLockTest, TheNextWriterClearsWhatACrashedWriterLeft) {
  const std::vector<std::string> leftovers = {
      "F7.NEW",         "MASTER.~NU",  "MASTER.NEW",  "f2.4711-3.new",  "MASTER.12-1.~NU",
      "MASTER.9-9.bak", "F1.77-2.NEW", "EMASTER.NEW", "EMASTER.5-1.NEW"};
  const std::vector<std::string> kept = {"MASTER.BAK",    "F1.BAK",    "NOTES.NEW",  "F1.X-2.NEW",
                                         "MASTER.12.~NU", "F.1-1.NEW", "EMASTER.BAK"};
  for (const auto& names : {leftovers, kept}) {
    for (const std::string& name : names) WriteFileBytes(temp_.path() / "p" / name, {7});
  }
  ASSERT_EQ(RenameMasterRecord(MasterPathIn(p_), 1, "OTHER", "RENAMED"), kOk);
  for (const std::string& name : leftovers)
    EXPECT_FALSE(fs::exists(temp_.path() / "p" / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(temp_.path() / "p" / name)) << name;
  EXPECT_EQ(ReadFileBytes(temp_.path() / "p" / "F1.BAK"), Bytes{7});  // not this write's backup
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

}  // namespace
}  // namespace voltrim::testing
