#include <gtest/gtest.h>

#include "datafiles/write/repair_master.h"
#include "datafiles/write/symbol_files.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// Series numbered as given, named prefix + number, each of a different length.
PortfolioSpec WithNumbers(const std::vector<int>& numbers, const std::string& prefix = "S") {
  PortfolioSpec plan;
  for (int n : numbers)
    plan.entries.push_back(Symbol(n, prefix + std::to_string(n), "A NAME", 3 + n));
  return plan;
}

class SymbolFilesTest : public ::testing::Test {
 protected:
  fs::path P(const std::string& rel) const { return temp_.path() / rel; }
  Bytes Read(const std::string& rel) const { return ReadFileBytes(P(rel)); }
  std::string Make(const std::string& name, const PortfolioSpec& plan) {
    return Write(P(name), plan);
  }
  // MASTER's record count and highest file number.
  std::pair<int, int> Header(const std::string& rel) const {
    const Bytes master = Read(rel);
    return {MasterHeaderField(master, 0), MasterHeaderField(master, 2)};
  }
  void ExpectGone(std::initializer_list<const char*> paths) const {
    for (const char* path : paths) EXPECT_FALSE(fs::exists(P(path))) << path;
  }
  TempDir temp_;
};

TEST_F(SymbolFilesTest, DeleteRemovesTheRecordAndItsFiles) {
  const std::string dir = Make("p", WithNumbers({1, 2, 3}));
  WriteFileBytes(P("p/F2.BAK"), {1});
  const Bytes before = Read("p/MASTER");
  ASSERT_EQ(DeleteSymbol(dir, "S2"), kOk);
  Bytes expected(before.begin(), before.begin() + 2 * 53);
  expected.insert(expected.end(), before.begin() + 3 * 53, before.end());
  expected[0] = 2;  // record count and highest file number
  expected[2] = 2;
  EXPECT_EQ(Read("p/MASTER"), expected);
  ExpectGone({"p/F2.DAT", "p/F2.DOP", "p/F2.BAK", "p/MASTER.~NU"});
}

TEST_F(SymbolFilesTest, DeleteNeverRemovesFilesOfARecordThatStays) {
  // Two records named DUP (numbers 2 and 3) and a record OTHER sharing number 2.
  const std::string dir =
      Make("p", Portfolio({Symbol(2, "DUP", "", 5), Symbol(3, "DUP", "", 6), Symbol(2, "OTHER")}));
  ASSERT_EQ(DeleteSymbol(dir, "DUP"), kOk);
  EXPECT_EQ(Header("p/MASTER").first, 1);  // the count is the records written
  EXPECT_TRUE(fs::exists(P("p/F2.DAT")));
  ExpectGone({"p/F3.DAT"});
}

TEST_F(SymbolFilesTest, CopyAndMoveTakeTheLowestFreeNumberAndKeepEveryOtherByte) {
  const std::string src = Make("src", WithNumbers({9, 2}, "m"));
  WriteFileBytes(P("src/F2.BAK"), {7});
  const std::string dst = Make("dst", WithNumbers({5, 1, 2, 4}, "D"));
  const Snapshot sourceBefore = TakeSnapshot(P("src"));
  const std::pair<int, int> header = Header("dst/MASTER");
  ASSERT_EQ(MoveOrCopySymbol(src, " m9 ", dst, false), kSymbolAdded);
  EXPECT_EQ(Header("dst/MASTER"), std::pair(5, header.second + 1));
  Bytes record = MasterRecordBytes(sourceBefore.at("MASTER"), 0);
  record[0] = 3;
  EXPECT_EQ(MasterRecordBytes(Read("dst/MASTER"), 4), record);
  EXPECT_EQ(Read("dst/F3.DAT"), sourceBefore.at("F9.DAT"));
  EXPECT_EQ(TakeSnapshot(P("src")), sourceBefore);

  // A move removes the source only once the destination holds it.
  ASSERT_EQ(MoveOrCopySymbol(src, "M2", dst, true), kSymbolAdded);
  record = MasterRecordBytes(sourceBefore.at("MASTER"), 1);
  record[0] = 6;
  EXPECT_EQ(MasterRecordBytes(Read("dst/MASTER"), 5), record);
  EXPECT_EQ(Header("src/MASTER"),
            std::pair(1, MasterHeaderField(sourceBefore.at("MASTER"), 2) - 1));
  ExpectGone(
      {"src/F2.DAT", "src/F2.DOP", "src/F2.BAK", "src/MASTER.~NU", "dst/MASTER.~NU", "dst/F6.NEW"});
}

TEST_F(SymbolFilesTest, RefusedRequestsWriteNothing) {
  const std::string src = Make("src", WithNumbers({1, 2}));
  PortfolioSpec full = WithNumbers({1}, "D");
  full.headerHighestFileNumber = 255;
  const std::string fullDir = Make("full", full);
  const std::string named = Make("named", Portfolio({Symbol(4, "X", "S1")}));
  fs::remove(P("src/F2.DAT"));
  const Snapshot before = TakeSnapshot(temp_.path());
  EXPECT_EQ(MoveOrCopySymbol(src, "S1", fullDir, true), kPortfolioFull);
  EXPECT_EQ(MoveOrCopySymbol(src, "s1", named, true), kSymbolExists);  // as another's name
  EXPECT_EQ(MoveOrCopySymbol(src, "NOSUCH", named, true), kFileNotFound);
  EXPECT_EQ(MoveOrCopySymbol(src, "S2", named, true), kFileOpen);  // no DAT
  EXPECT_EQ(MoveOrCopySymbol(src, "S1", P("nowhere").string(), true), kFileNotFound);
  EXPECT_EQ(DeleteSymbol(src, "s1"), kRecordNotFound);  // compared case-sensitively
  EXPECT_EQ(DeleteSymbol(src, ""), kBadRequest);
  EXPECT_EQ(DeleteSymbol(P("none").string(), "S1"), kFileNotFound);
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
}

TEST(RepairMaster, FillsEmptySymbolsFromNamesAndCopiesEverythingElse) {
  TempDir temp;
  const std::string dir = Write(
      temp.path() / "p",
      Portfolio({Symbol(1, "AAA", "ALPHA"), Symbol(7, "BBB", "BETA"), SubdirectoryEntry("SUB")}));
  const std::string master = dir + "/MASTER";
  Bytes damaged = ReadFileBytes(master);
  const std::string acme = "ACME CORP       ";
  const auto put = [&](int record, std::size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(),
              damaged.begin() + 53 * (record + 1) + static_cast<long>(offset));
  };
  put(0, 7, acme);
  put(0, 36, std::string(16, ' '));
  put(1, 7, std::string("NUL\0NAME        ", 16));
  put(1, 36,
      "\xC4"
      "BBB           x");
  // A record beyond the header's count is no record and is not repaired.
  damaged.insert(damaged.end(), 53, 0);
  damaged[53 * 4 + 36] = ' ';
  WriteFileBytes(master, damaged);
  WriteFileBytes(dir + "/MASTER.BAK", {9, 9});

  bool needs = false;
  ASSERT_EQ(MasterNeedsRepair(master, needs), kOk);
  EXPECT_TRUE(needs);
  ASSERT_EQ(RepairMaster(master), kOk);
  Bytes expected = damaged;
  std::copy(acme.begin(), acme.end(), expected.begin() + 53 + 36);
  const std::string nulName("NUL\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);
  std::copy(nulName.begin(), nulName.end(), expected.begin() + 2 * 53 + 36);
  // A subdirectory entry with a blank symbol counts as empty like any other record.
  std::copy(expected.begin() + 3 * 53 + 7, expected.begin() + 3 * 53 + 23,
            expected.begin() + 3 * 53 + 36);
  EXPECT_EQ(ReadFileBytes(master), expected);  // header and the tail beyond the count byte for byte
  // The temporary took MASTER's place: no MASTER.bak of any case remains.
  EXPECT_FALSE(std::filesystem::exists(dir + "/MASTER.BAK"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/MASTER.bak"));
  ASSERT_EQ(MasterNeedsRepair(master, needs), kOk);
  EXPECT_FALSE(needs);
}

}  // namespace
}  // namespace voltrim::testing
