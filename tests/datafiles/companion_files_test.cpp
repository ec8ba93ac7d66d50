#include <gtest/gtest.h>

#include "datafiles/write/symbol_files.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

EmasterEntry Entry(const fs::path& dir, int index) {
  EmasterImage image;
  EXPECT_EQ(ReadEmasterImage((dir / "EMASTER").string(), image), kOk);
  return DecodeEmasterRecord(image.Record(index));
}

TEST(Emaster, RealFilesDecideTheLayout) {
  TempDir temp;
  const fs::path equis = CopyRealFolder("equis-small", temp.path());
  if (equis.empty()) GTEST_SKIP() << "no shared data";
  const EmasterEntry djx = Entry(equis, 0);
  EXPECT_EQ(djx.fileNumber, 1);
  EXPECT_EQ(djx.fieldCount, 7);
  EXPECT_EQ(djx.symbol, ".DJX");
  EXPECT_EQ(djx.name, "1/100 Dow Jones");
  EXPECT_EQ(djx.longName, "1/100 Dow Jones INDU");
  FoundSymbol found;
  ASSERT_EQ(FindSymbol(equis.string(), ".DJX", found), kOk);
  EXPECT_EQ(djx.firstDate, found.record.FirstDate());  // IEEE there, MBF in MASTER
  EXPECT_EQ(djx.lastDate, found.record.LastDate());
  EXPECT_EQ(EmasterStateIn(equis.string()), EmasterState::kMirrors);
  EXPECT_EQ(EmasterStateIn(CopyRealFolder("bbfinance", temp.path()).string()),
            EmasterState::kOutOfStep);
}

TEST(Emaster, DamagedFilesAreRefusedAndLeftAlone) {
  EmasterImage image;
  Bytes negative(kEmasterRecordSize, 0);
  negative[1] = 0x80;
  EXPECT_EQ(ParseEmasterBytes(negative.data(), 100, image), kDamagedFile);
  EXPECT_EQ(ParseEmasterBytes(negative.data(), negative.size(), image), kDamagedFile);
  TempDir temp;
  Write(temp.path(), Portfolio({Symbol(1, "ACME"), Symbol(2, "BETA")}));
  // A count above the records held mirrors nothing; the write leaves it as it was.
  Bytes overCount = BuildEmasterBytes(ReadFileBytes(temp.path() / "MASTER"));
  overCount.resize(EmasterImage::Offset(1));
  WriteFileBytes(temp.path() / "EMASTER", overCount);
  EXPECT_EQ(EmasterStateIn(temp.str()), EmasterState::kOutOfStep);
  EXPECT_EQ(DeleteSymbol(temp.str(), "ACME"), kOk);
  EXPECT_EQ(ReadFileBytes(temp.path() / "EMASTER"), overCount);
}

// A crash between the two replacements leaves EMASTER ahead; the same write run again
// puts MASTER in step with it.
TEST(Emaster, RunningAWriteAgainCompletesOneThatStoppedBetweenTheTwoFiles) {
  TempDir temp;
  const fs::path p = temp.path() / "p", q = temp.path() / "q";
  Write(p, Portfolio({Symbol(1, "ACME"), Symbol(2, "BETA")}));
  Write(q, Portfolio({Symbol(1, "D1")}));
  const Bytes masterBefore = ReadFileBytes(p / "MASTER");
  ASSERT_EQ(DeleteSymbol(p.string(), "BETA"), kOk);
  WriteFileBytes(p / "EMASTER", BuildEmasterBytes(ReadFileBytes(p / "MASTER")));
  WriteFileBytes(p / "MASTER", masterBefore);
  WriteFileBytes(p / "F2.DAT", ReadFileBytes(p / "F1.DAT"));
  const Bytes ahead = ReadFileBytes(p / "EMASTER");
  EXPECT_EQ(DeleteSymbol(p.string(), "BETA"), kOk);
  EmasterImage image;
  ASSERT_EQ(ReadEmasterImage((p / "EMASTER").string(), image), kOk);
  EXPECT_TRUE(EmasterMirrors(image, ReadFileBytes(p / "MASTER")));
  EXPECT_EQ(ReadFileBytes(p / "EMASTER"), ahead);
}

std::vector<DayNumber> DatesOf(const std::string& dir, const std::string& symbol) {
  std::vector<DayNumber> dates;
  for (const Quote& quote : ReadQuotes(dir, symbol)) dates.push_back(quote.date);
  return dates;
}

TEST(XmasterRead, RealFileListsTheSeriesNumberedFrom256) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no shared data";
  XmasterFile xmaster;
  ASSERT_EQ(ReadXmasterFile(dir.string(), xmaster), kOk);
  ASSERT_EQ(xmaster.records.size(), 2u);
  const XmasterRecord& n225 = xmaster.records[1];
  EXPECT_EQ(n225.symbol, ".N225");
  EXPECT_EQ(n225.name, "NIKKEI 225 INDEX");
  EXPECT_EQ(n225.fileNumber, 2853);
  EXPECT_EQ(n225.fieldCount, 7);
  EXPECT_EQ(n225.periodicity, 'D');
  // The first date in each record is that of the MWD file's first quote.
  EXPECT_EQ(n225.firstDate, 19820104);
  EXPECT_EQ(xmaster.records[0].firstDate, 19961231);
  EXPECT_EQ(DatesOf(dir.string(), "AZM.L"), std::vector<DayNumber>{Day(1996, 12, 31)});
  EXPECT_EQ(DatesOf(dir.string(), ".n225"),
            (std::vector<DayNumber>{Day(1982, 1, 4), Day(1982, 1, 5)}));
  // MASTER's series are found first and read as before.
  EXPECT_EQ(DatesOf(dir.string(), ".DJX"), std::vector<DayNumber>{Day(1997, 9, 23)});
  // The MASTER-only lookup the writes use does not see them.
  SeriesLocation location;
  EXPECT_EQ(LocateSeries(dir.string(), "AZM.L", location), kFileNotFound);
}

TEST(XmasterRead, HostileFilesAreRefusedOrReadAsFarAsTheyGo) {
  XmasterFile xmaster;
  const std::string text = "broken file\n";
  EXPECT_EQ(
      ParseXmasterBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), xmaster),
      kDamagedFile);
  // A count far above the file: the records that are there.
  Bytes bytes = BuildXmasterBytes({{300, "ONE", "ONE"}, {301, "TWO", "TWO"}}, 65535);
  bytes.resize(bytes.size() - 10);
  ASSERT_EQ(ParseXmasterBytes(bytes.data(), bytes.size(), xmaster), kOk);
  EXPECT_EQ(xmaster.countedRecords, 65535);
  ASSERT_EQ(xmaster.records.size(), 1u);
  EXPECT_EQ(xmaster.records[0].symbol, "ONE");
  // A series whose field mask names no field, or more than a record holds, is refused.
  TempDir temp;
  Write(temp.path(), Portfolio({Symbol(1, "ACME")}));
  Bytes none = BuildXmasterBytes({{256, "NONE", "NONE"}});
  none[kXmasterRecordSize + xmaster_offset::kFieldMask] = 0;
  WriteFileBytes(temp.path() / "XMASTER", none);
  WriteFileBytes(temp.path() / "F256.MWD", Bytes(8, 0));
  SeriesLocation location;
  EXPECT_EQ(LocateAnySeries(temp.str(), "NONE", location), kDamagedFile);
}

// A broken XMASTER lists nothing and does not stand in the way of a copy.
TEST(XmasterWrite, ABrokenXmasterListsNothing) {
  TempDir temp;
  Write(temp.path() / "p", Portfolio({Symbol(1, "X256")}));
  Write(temp.path() / "q", Portfolio({Symbol(1, "D1")}));
  WriteText(temp.path() / "q" / "XMASTER", "broken file\n");
  EXPECT_EQ(MoveOrCopySymbol(temp.str() + "/p", "X256", temp.str() + "/q", false), kSymbolAdded);
}

}  // namespace
}  // namespace voltrim::testing
