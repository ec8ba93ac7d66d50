#include <gtest/gtest.h>

#include <cmath>

#include "companion_fixtures.h"
#include "datafiles/repair_master.h"
#include "datafiles/series.h"
#include "datafiles/series_facts.h"
#include "datafiles/symbol_files.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

EmasterImage ReadEmaster(const fs::path& dir) {
  EmasterImage image;
  EXPECT_EQ(ReadEmasterImage((dir / "EMASTER").string(), image), kOk);
  return image;
}

bool Mirrors(const fs::path& dir) {
  return EmasterMirrors(ReadEmaster(dir), ReadFileBytes(dir / "MASTER"));
}

Bytes EmasterRecord(const fs::path& dir, int index) {
  const EmasterImage image = ReadEmaster(dir);
  if (index >= image.RecordCount()) return {};
  return Bytes(image.Record(index), image.Record(index) + kEmasterRecordSize);
}

// Every quote of every symbol, as one text per symbol.
std::map<std::string, std::string> ReadAll(const std::string& dir,
                                           const std::vector<std::string>& symbols) {
  std::map<std::string, std::string> out;
  SeriesBuffer buffer;
  EXPECT_EQ(AllocSeriesBuffer(buffer, 100), kOk);
  for (const std::string& symbol : symbols) {
    std::string text;
    if (ReadSeries(buffer, dir, symbol, 0, -1) == kOk) {
      for (int i = 0; i < buffer.Count(); ++i)
        text += std::to_string(buffer.DateAt(i)) + ":" + std::to_string(buffer.At(i).close) + ";";
    }
    out[symbol] = text;
  }
  FreeSeriesBuffer(buffer);
  return out;
}

TEST(EmasterRead, RealFilesDecideTheLayout) {
  TempDir temp;
  const fs::path equis = CopyRealFolder("equis-small", temp.path());
  if (equis.empty()) GTEST_SKIP() << "no shared data";
  const EmasterImage image = ReadEmaster(equis);
  ASSERT_EQ(image.RecordCount(), 2);
  const EmasterEntry djx = DecodeEmasterRecord(image.Record(0));
  EXPECT_EQ(djx.fileNumber, 1);
  EXPECT_EQ(djx.fieldCount, 7);
  EXPECT_EQ(djx.symbol, ".DJX");
  EXPECT_EQ(djx.name, "1/100 Dow Jones");
  EXPECT_EQ(djx.longName, "1/100 Dow Jones INDU");
  EXPECT_EQ(djx.periodicity, 'D');
  // The IEEE dates are MASTER's MBF dates.
  FoundSymbol found;
  ASSERT_EQ(FindSymbol(equis.string(), ".DJX", found), kOk);
  EXPECT_EQ(djx.firstDate, found.record.FirstDate());
  EXPECT_EQ(djx.lastDate, found.record.LastDate());
  EXPECT_TRUE(Mirrors(equis));

  const fs::path bb = CopyRealFolder("bbfinance", temp.path());
  EXPECT_FALSE(Mirrors(bb));
  EXPECT_EQ(EmasterStateIn(bb.string()), EmasterState::kOutOfStep);
  EXPECT_EQ(EmasterStateIn(equis.string()), EmasterState::kMirrors);
}

TEST(EmasterRead, DamagedFilesAreRefusedOrCountedShort) {
  EmasterImage image;
  const Bytes shortHeader(100, 0);
  EXPECT_EQ(ParseEmasterBytes(shortHeader.data(), shortHeader.size(), image), kDamagedFile);
  Bytes negative(kEmasterRecordSize, 0);
  negative[1] = 0x80;
  EXPECT_EQ(ParseEmasterBytes(negative.data(), negative.size(), image), kDamagedFile);
  // A count above the records held reads those that are there, and mirrors nothing.
  Bytes overCount(kEmasterRecordSize * 2, 0);
  overCount[0] = 9;
  ASSERT_EQ(ParseEmasterBytes(overCount.data(), overCount.size(), image), kOk);
  EXPECT_EQ(image.RecordCount(), 1);
  TempDir temp;
  Write(temp.path(), Portfolio({Symbol(1, "ACME")}));
  EXPECT_FALSE(EmasterMirrors(image, ReadFileBytes(temp.path() / "MASTER")));
  // A folder with a broken EMASTER is out of step: writes leave it alone.
  WriteFileBytes(temp.path() / "EMASTER", shortHeader);
  EXPECT_EQ(EmasterStateIn(temp.str()), EmasterState::kOutOfStep);
  EXPECT_EQ(DeleteSymbol(temp.str(), "ACME"), kOk);
  EXPECT_EQ(ReadFileBytes(temp.path() / "EMASTER"), shortHeader);
}

class EmasterInStep : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.path() / "p";
    Write(dir_, Portfolio({Symbol(1, "ACME", "ACME CORP", 4), Symbol(2, "BETA", "BETA INC", 3),
                           Symbol(3, "GAMMA", "GAMMA LTD", 5), Symbol(4, "DELTA", "DELTA CO", 2)}));
    WriteMirroringEmaster(dir_);
    before_ = ReadAll(dir_.string(), symbols_);
    oldEmaster_ = ReadFileBytes(dir_ / "EMASTER");
  }
  Bytes OldRecord(int index) const {
    const auto at = oldEmaster_.begin() + static_cast<std::ptrdiff_t>(EmasterImage::Offset(index));
    return Bytes(at, at + kEmasterRecordSize);
  }

  TempDir temp_;
  fs::path dir_;
  std::vector<std::string> symbols_ = {"ACME", "BETA", "GAMMA", "DELTA"};
  std::map<std::string, std::string> before_;
  Bytes oldEmaster_;
};

TEST_F(EmasterInStep, DeleteRemovesTheSameRecordAndKeepsTheOthersByteForByte) {
  ASSERT_EQ(DeleteSymbol(dir_.string(), "BETA"), kOk);
  EXPECT_TRUE(Mirrors(dir_));
  EXPECT_EQ(EmasterRecord(dir_, 0), OldRecord(0));
  EXPECT_EQ(EmasterRecord(dir_, 1), OldRecord(2));
  EXPECT_EQ(EmasterRecord(dir_, 2), OldRecord(3));
  const Bytes now = ReadFileBytes(dir_ / "EMASTER");
  EXPECT_EQ(MasterHeaderField(now, 0), 3);
  // The highest file number moves as MASTER's does.
  EXPECT_EQ(MasterHeaderField(now, 2), MasterHeaderField(ReadFileBytes(dir_ / "MASTER"), 2));
  auto expected = before_;
  expected["BETA"] = "";
  EXPECT_EQ(ReadAll(dir_.string(), symbols_), expected);
  EXPECT_TRUE(fs::exists(dir_ / "EMASTER.BAK"));
}

TEST_F(EmasterInStep, RenameKeepsTheLongNameUnlessTheNameChanges) {
  ASSERT_EQ(RenameMasterRecord((dir_ / "MASTER").string(), 1, "BETA2", "BETA INC"), kOk);
  EXPECT_TRUE(Mirrors(dir_));
  EmasterEntry beta = DecodeEmasterRecord(EmasterRecord(dir_, 1).data());
  EXPECT_EQ(beta.symbol, "BETA2");
  EXPECT_EQ(beta.longName, "BETA INC LONG");
  ASSERT_EQ(RenameMasterRecord((dir_ / "MASTER").string(), 1, "BETA2", "NEW NAME"), kOk);
  beta = DecodeEmasterRecord(EmasterRecord(dir_, 1).data());
  EXPECT_EQ(beta.name, "NEW NAME");
  EXPECT_EQ(beta.longName, "NEW NAME");
  for (int i : {0, 2, 3}) EXPECT_EQ(EmasterRecord(dir_, i), OldRecord(i)) << i;
}

TEST_F(EmasterInStep, QuoteDeleteCarriesTheNewFirstDate) {
  const DayNumber first = Day(2000, 1, 3);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, first, first), dir_.string(), "GAMMA", 5), kOk);
  FoundSymbol gamma;
  ASSERT_EQ(FindSymbol(dir_.string(), "GAMMA", gamma), kOk);
  const EmasterEntry entry = DecodeEmasterRecord(EmasterRecord(dir_, 2).data());
  EXPECT_EQ(entry.firstDate, gamma.record.FirstDate());
  EXPECT_EQ(entry.firstDate, 1000104.0f);
  const Bytes record = EmasterRecord(dir_, 2);
  EXPECT_EQ(record[emaster_offset::kFirstDateLong] |
                (record[emaster_offset::kFirstDateLong + 1] << 8) |
                (record[emaster_offset::kFirstDateLong + 2] << 16) |
                (record[emaster_offset::kFirstDateLong + 3] << 24),
            20000104);
  for (int i : {0, 1, 3}) EXPECT_EQ(EmasterRecord(dir_, i), OldRecord(i)) << i;
}

TEST_F(EmasterInStep, RepairAndCopyAndMoveKeepEmasterInStep) {
  // A record whose symbol MASTER and EMASTER both lack is repaired in both.
  Bytes master = ReadFileBytes(dir_ / "MASTER");
  std::fill_n(master.begin() + 2 * 53 + 36, 16, ' ');
  WriteFileBytes(dir_ / "MASTER", master);
  WriteMirroringEmaster(dir_);
  ASSERT_EQ(RepairMaster((dir_ / "MASTER").string()), kOk);
  EXPECT_TRUE(Mirrors(dir_));
  EXPECT_EQ(DecodeEmasterRecord(EmasterRecord(dir_, 1).data()).symbol, "BETA");

  const fs::path dest = temp_.path() / "q";
  Write(dest, Portfolio({Symbol(1, "D1", "DEST ONE")}));
  WriteMirroringEmaster(dest);
  ASSERT_EQ(MoveOrCopySymbol(dir_.string(), "GAMMA", dest.string(), true), kSymbolAdded);
  EXPECT_TRUE(Mirrors(dir_));
  EXPECT_TRUE(Mirrors(dest));
  const EmasterEntry added = DecodeEmasterRecord(EmasterRecord(dest, 1).data());
  EXPECT_EQ(added.fileNumber, 2);
  EXPECT_EQ(added.symbol, "GAMMA");
  EXPECT_EQ(added.name, "GAMMA LTD");
  EXPECT_EQ(added.fieldCount, 6);
  EXPECT_EQ(ReadAll(dest.string(), {"GAMMA"}),
            (std::map<std::string, std::string>{{"GAMMA", before_["GAMMA"]}}));
}

TEST(EmasterInStepReal, EquisSmallStaysInStepThroughEveryWrite) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  const Bytes oldEmaster = ReadFileBytes(dir / "EMASTER");
  const std::vector<std::string> symbols = {".DJX", ".FCHI"};
  const auto before = ReadAll(dir.string(), symbols);

  ASSERT_EQ(RenameMasterRecord((dir / "MASTER").string(), 0, ".DJX2", "1/100 Dow Jones"), kOk);
  EXPECT_TRUE(Mirrors(dir));
  EXPECT_EQ(DecodeEmasterRecord(EmasterRecord(dir, 0).data()).longName, "1/100 Dow Jones INDU");
  ASSERT_EQ(DeleteSymbol(dir.string(), ".DJX2"), kOk);
  EXPECT_TRUE(Mirrors(dir));
  const Bytes now = ReadFileBytes(dir / "EMASTER");
  // The remaining record is the old second one, unchanged; the header keeps its other bytes.
  EXPECT_EQ(Bytes(now.begin() + 192, now.begin() + 384),
            Bytes(oldEmaster.begin() + 384, oldEmaster.begin() + 576));
  EXPECT_EQ(Bytes(now.begin() + 4, now.begin() + 192),
            Bytes(oldEmaster.begin() + 4, oldEmaster.begin() + 192));
  EXPECT_EQ(ReadAll(dir.string(), {".FCHI"}).at(".FCHI"), before.at(".FCHI"));
}

TEST(EmasterInStepReal, BbfinanceEmasterIsLeftAlone) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("bbfinance", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  const Bytes oldEmaster = ReadFileBytes(dir / "EMASTER");
  ASSERT_EQ(DeleteSymbol(dir.string(), "AEMI"), kOk);
  ASSERT_EQ(RenameMasterRecord((dir / "MASTER").string(), 0, "X", "Y"), kOk);
  EXPECT_EQ(ReadFileBytes(dir / "EMASTER"), oldEmaster);
  EXPECT_FALSE(fs::exists(dir / "EMASTER.BAK"));
}

TEST(EmasterFacts, LongNameComesFromTheRecordOfTheSameSeries) {
  TempDir temp;
  Write(temp.path(), Portfolio({Symbol(1, "ACME", "ACME CORP"), Symbol(2, "BETA", "BETA INC")}));
  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(temp.str(), "BETA", facts), kFactsFound);
  EXPECT_EQ(facts.longName, "");
  WriteMirroringEmaster(temp.path());
  ASSERT_EQ(GetSeriesFacts(temp.str(), "BETA", facts), kFactsFound);
  EXPECT_EQ(facts.longName, "BETA INC LONG");
}

}  // namespace
}  // namespace voltrim::testing
