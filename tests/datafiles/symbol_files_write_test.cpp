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

// What the rows of the write commands do not show: a record sharing a file number with
// the one deleted keeps its files, and a copy takes the lowest free number below the highest.
TEST(SymbolFiles, DeleteKeepsSharedFilesAndACopyFillsAGap) {
  TempDir temp;
  // Two records named DUP (numbers 2 and 3) and a record OTHER sharing number 2.
  const std::string dir =
      Write(temp.path() / "p",
            Portfolio({Symbol(2, "DUP", "", 5), Symbol(3, "DUP", "", 6), Symbol(2, "OTHER")}));
  ASSERT_EQ(DeleteSymbol(dir, "DUP"), kOk);
  EXPECT_EQ(MasterHeaderField(ReadFileBytes(temp.path() / "p" / "MASTER"), 0), 1);
  EXPECT_TRUE(fs::exists(temp.path() / "p" / "F2.DAT"));
  EXPECT_FALSE(fs::exists(temp.path() / "p" / "F3.DAT"));

  const std::string dst = Write(temp.path() / "q", WithNumbers({5, 1, 2, 4}, "D"));
  ASSERT_EQ(MoveOrCopySymbol(dir, " other ", dst, false), kSymbolAdded);
  Bytes record = MasterRecordBytes(ReadFileBytes(temp.path() / "p" / "MASTER"), 0);
  record[0] = 3;
  const Bytes master = ReadFileBytes(temp.path() / "q" / "MASTER");
  EXPECT_EQ(MasterRecordBytes(master, 4), record);
  EXPECT_EQ(MasterHeaderField(master, 2), 6);
  EXPECT_EQ(ReadFileBytes(temp.path() / "q" / "F3.DAT"),
            ReadFileBytes(temp.path() / "p" / "F2.DAT"));
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
