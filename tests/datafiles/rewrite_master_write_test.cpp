#include <gtest/gtest.h>

#include "datafiles/master_image.h"
#include "datafiles/repair_master.h"
#include "datafiles/rewrite_series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

class MasterWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = Write(temp_.path() / "p", Portfolio({Symbol(1, "AAA", "ALPHA"), Symbol(7, "BBB", "BETA"),
                                                SubdirectoryEntry("SUB")}));
    master_ = dir_ + "/MASTER";
    before_ = ReadFileBytes(master_);
  }
  Bytes Master() const { return ReadFileBytes(master_); }
  Bytes Record(int i) const { return MasterRecordBytes(Master(), i); }

  TempDir temp_;
  std::string dir_, master_;
  Bytes before_;
};

TEST_F(MasterWriteTest, RenamePadsBothFieldsAndKeepsCase) {
  ASSERT_EQ(RenameMasterRecord(master_, 1, "bbb.x", ""), kOk);
  Bytes expected = MasterRecordBytes(before_, 1);
  const std::string name(16, ' ');
  const std::string symbol = "bbb.x           ";
  std::copy(name.begin(), name.end(), expected.begin() + 7);
  std::copy(symbol.begin(), symbol.end(), expected.begin() + 36);
  EXPECT_EQ(Record(1), expected);
  EXPECT_EQ(Record(0), MasterRecordBytes(before_, 0));
  EXPECT_EQ(ReadFileBytes(dir_ + "/MASTER.BAK"), before_);
}

TEST_F(MasterWriteTest, RepairFillsEmptySymbolsFromNamesAndCopiesEverythingElse) {
  Bytes damaged = before_;
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
  WriteFileBytes(master_, damaged);
  WriteFileBytes(dir_ + "/MASTER.BAK", {9, 9});

  bool needs = false;
  ASSERT_EQ(MasterNeedsRepair(master_, needs), kOk);
  EXPECT_TRUE(needs);
  ASSERT_EQ(RepairMaster(master_), kOk);
  Bytes expected = damaged;
  std::copy(acme.begin(), acme.end(), expected.begin() + 53 + 36);
  const std::string nulName("NUL\0\0\0\0\0\0\0\0\0\0\0\0\0", 16);
  std::copy(nulName.begin(), nulName.end(), expected.begin() + 2 * 53 + 36);
  // A subdirectory entry with a blank symbol counts as empty like any other record.
  std::copy(expected.begin() + 3 * 53 + 7, expected.begin() + 3 * 53 + 23,
            expected.begin() + 3 * 53 + 36);
  EXPECT_EQ(Master(), expected);  // header and the tail beyond the count byte for byte
  // The temporary took MASTER's place: no MASTER.bak of any case remains.
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/MASTER.BAK"));
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/MASTER.bak"));
  ASSERT_EQ(MasterNeedsRepair(master_, needs), kOk);
  EXPECT_FALSE(needs);
}

}  // namespace
}  // namespace voltrim::testing
