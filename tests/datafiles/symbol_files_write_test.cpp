#include <gtest/gtest.h>

#include "datafiles/master.h"
#include "datafiles/portfolio_files.h"
#include "datafiles/symbol_files.h"
#include "write_fixture.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

SeriesSpec Series(int number, const std::string& symbol, const std::string& name = "A NAME") {
  return MakeDailySeries(number, symbol, name, WeekdayQuotes(Day(2001, 2, 5), 3 + number));
}

PortfolioSpec WithNumbers(const std::vector<int>& numbers, const std::string& prefix = "S") {
  std::vector<PortfolioSpec::Entry> entries;
  for (int n : numbers) entries.push_back(SeriesEntry(Series(n, prefix + std::to_string(n))));
  return Portfolio(entries);
}

class SymbolFilesTest : public ::testing::Test {
 protected:
  fs::path P(const std::string& rel) const { return temp_.path() / rel; }
  Bytes Read(const std::string& rel) const { return ReadFileBytes(P(rel)); }
  std::string Make(const std::string& name, const PortfolioSpec& plan) {
    return MakePortfolio(temp_.path(), name, plan);
  }
  TempDir temp_;
};

TEST_F(SymbolFilesTest, DeleteRemovesTheRecordAndItsFilesAndLowersBothHeaderFields) {
  const std::string dir = Make("p", WithNumbers({1, 2, 3}));
  WriteFileBytes(P("p/F2.BAK"), {1});
  const Bytes before = Read("p/MASTER");
  ASSERT_EQ(DeleteSymbol(dir, "S2"), kOk);
  const Bytes after = Read("p/MASTER");
  EXPECT_EQ(MasterHeaderField(after, 0), 2);
  EXPECT_EQ(MasterHeaderField(after, 2), 2);
  EXPECT_EQ(MasterRecordBytes(after, 0), MasterRecordBytes(before, 0));
  EXPECT_EQ(MasterRecordBytes(after, 1), MasterRecordBytes(before, 2));
  EXPECT_EQ(after.size(), 3u * 53u);
  for (const char* gone : {"p/F2.DAT", "p/F2.DOP", "p/F2.BAK", "p/MASTER.~NU"})
    EXPECT_FALSE(fs::exists(P(gone))) << gone;
  EXPECT_TRUE(fs::exists(P("p/F3.DAT")));

  // The gap is the lowest free number for the next symbol added.
  const std::string other = Make("q", WithNumbers({4}));
  EXPECT_EQ(MoveOrCopySymbol(other, "s4", dir, false), kSymbolAdded);
  EXPECT_EQ(MasterRecordBytes(Read("p/MASTER"), 2)[0], 2);
  EXPECT_EQ(Read("p/F2.DAT"), Read("q/F4.DAT"));
}

TEST_F(SymbolFilesTest, DeleteNeverRemovesFilesOfARecordThatStays) {
  // Two records named DUP (numbers 2 and 3) and a record OTHER sharing number 2.
  PortfolioSpec plan = Portfolio({SeriesEntry(Series(2, "DUP")), SeriesEntry(Series(3, "DUP")),
                                  SeriesEntry(Series(2, "OTHER"))});
  const std::string dir = Make("p", plan);
  ASSERT_EQ(DeleteSymbol(dir, "DUP"), kOk);
  const Bytes after = Read("p/MASTER");
  EXPECT_EQ(MasterHeaderField(after, 0), 1);  // the count is the records written
  EXPECT_EQ(after.size(), 2u * 53u);
  EXPECT_TRUE(fs::exists(P("p/F2.DAT")));
  EXPECT_FALSE(fs::exists(P("p/F3.DAT")));
}

TEST_F(SymbolFilesTest, DeleteOfAnUnlistedSymbolChangesNothing) {
  const std::string dir = Make("p", WithNumbers({1, 2}));
  const Snapshot before = TakeSnapshot(temp_.path());
  EXPECT_EQ(DeleteSymbol(dir, "s1"), kRecordNotFound);  // compared case-sensitively
  EXPECT_EQ(DeleteSymbol(dir, ""), kBadRequest);
  EXPECT_EQ(DeleteSymbol(temp_.path().string() + "/none", "S1"), kFileNotFound);
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
}

TEST_F(SymbolFilesTest, CopyTakesTheLowestFreeNumberAndKeepsEveryOtherByte) {
  const std::string src = Make("src", Portfolio({SeriesEntry(Series(9, "msft", "MICROSOFT"))}));
  const std::string dst = Make("dst", WithNumbers({5, 1, 2, 4}, "D"));
  const Snapshot sourceBefore = TakeSnapshot(P("src"));
  const Bytes destBefore = Read("dst/MASTER");
  ASSERT_EQ(MoveOrCopySymbol(src, " msft ", dst, false), kSymbolAdded);
  const Bytes after = Read("dst/MASTER");
  EXPECT_EQ(MasterHeaderField(after, 0), 5);
  EXPECT_EQ(MasterHeaderField(after, 2), MasterHeaderField(destBefore, 2) + 1);
  Bytes moved = MasterRecordBytes(Read("src/MASTER"), 0);
  moved[0] = 3;
  EXPECT_EQ(MasterRecordBytes(after, 4), moved);
  EXPECT_EQ(Read("dst/F3.DAT"), Read("src/F9.DAT"));
  EXPECT_EQ(Read("dst/F3.DOP"), Read("src/F9.DOP"));
  EXPECT_EQ(TakeSnapshot(P("src")), sourceBefore);
  // A copy is a copy, not a second name of the source file.
  EXPECT_NE(fs::hard_link_count(P("dst/F3.DAT")), 2u);
}

TEST_F(SymbolFilesTest, MoveRemovesTheSourceOnlyAfterTheDestinationHoldsIt) {
  const std::string src = Make("src", WithNumbers({1, 2}));
  WriteFileBytes(P("src/F2.BAK"), {7});
  const std::string dst = Make("dst", WithNumbers({1, 2, 3, 4, 5}, "D"));
  const Bytes dat = Read("src/F2.DAT");
  const Bytes record = MasterRecordBytes(Read("src/MASTER"), 1);
  ASSERT_EQ(MoveOrCopySymbol(src, "S2", dst, true), kSymbolAdded);
  Bytes expected = record;
  expected[0] = 6;
  EXPECT_EQ(MasterRecordBytes(Read("dst/MASTER"), 5), expected);
  EXPECT_EQ(Read("dst/F6.DAT"), dat);
  const Bytes source = Read("src/MASTER");
  EXPECT_EQ(MasterHeaderField(source, 0), 1);
  EXPECT_EQ(MasterHeaderField(source, 2), 1);
  for (const char* gone :
       {"src/F2.DAT", "src/F2.DOP", "src/F2.BAK", "src/MASTER.~NU", "dst/MASTER.~NU", "dst/F6.NEW"})
    EXPECT_FALSE(fs::exists(P(gone))) << gone;
}

TEST_F(SymbolFilesTest, MoveFromASubdirectoryChangesOnlyThatFolder) {
  const std::string src =
      Make("src", Portfolio({SeriesEntry(Series(1, "TOP")), SubdirectoryEntry("SUB")}));
  Make("src/SUB", WithNumbers({1}));
  const Bytes topMaster = Read("src/MASTER");
  const std::string dst = Make("dst", WithNumbers({2}, "D"));
  ASSERT_EQ(MoveOrCopySymbol(src, "S1", dst, true), kSymbolAdded);
  EXPECT_EQ(Read("src/MASTER"), topMaster);
  EXPECT_TRUE(fs::exists(P("src/F1.DAT")));
  EXPECT_FALSE(fs::exists(P("src/SUB/F1.DAT")));
  EXPECT_EQ(MasterHeaderField(Read("src/SUB/MASTER"), 0), 0);
}

TEST_F(SymbolFilesTest, RefusedTransfersWriteNothing) {
  const std::string src = Make("src", WithNumbers({1, 2}));
  PortfolioSpec full = WithNumbers({1}, "D");
  full.headerHighestFileNumber = 255;
  Make("full", full);
  Make("named", Portfolio({SeriesEntry(Series(4, "X", "S1"))}));
  fs::remove(P("src/F2.DAT"));
  const Snapshot before = TakeSnapshot(temp_.path());
  const std::string full_ = P("full").string();
  EXPECT_EQ(MoveOrCopySymbol(src, "S1", full_, true), kPortfolioFull);
  EXPECT_EQ(MoveOrCopySymbol(src, "s1", P("named").string(), true), kSymbolExists);
  EXPECT_EQ(AddSymbolExistsMessage(SymbolSearchText("s1"), "/d"),
            "The Symbol addition failed.\n\nReason: Symbol S1 already exists in\n/d");
  EXPECT_EQ(MoveOrCopySymbol(src, "NOSUCH", P("named").string(), true), kFileNotFound);
  EXPECT_EQ(MoveOrCopySymbol(src, "S2", P("named").string(), true), kFileOpen);  // no DAT
  EXPECT_EQ(MoveOrCopySymbol(src, "S1", P("nowhere").string(), true), kFileNotFound);
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
}

TEST_F(SymbolFilesTest, AddedRecordGoesWithinTheCountBeforeATrailingRecord) {
  const std::string src = Make("src", WithNumbers({1}));
  const std::string dst = Make("dst", WithNumbers({1}));
  Bytes master = Read("dst/MASTER");
  master.insert(master.end(), 53, 0);  // an all-zero record beyond the header's count
  WriteFileBytes(P("dst/MASTER"), master);
  ASSERT_EQ(MoveOrCopySymbol(src, "S1", dst, false), kSymbolExists);
  ASSERT_EQ(DeleteSymbol(src, "S1"), kOk);
  const std::string other = Make("o", WithNumbers({3}));
  ASSERT_EQ(MoveOrCopySymbol(other, "S3", dst, false), kSymbolAdded);
  const Bytes after = Read("dst/MASTER");
  EXPECT_EQ(MasterHeaderField(after, 0), 2);
  EXPECT_EQ(after.size(), 4u * 53u);
  EXPECT_EQ(MasterRecordBytes(after, 2), Bytes(53, 0));
  FoundSymbol found;
  EXPECT_EQ(FindSymbol(dst, "S3", found), kOk);
}

}  // namespace
}  // namespace voltrim::testing
