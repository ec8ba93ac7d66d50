#include <gtest/gtest.h>

#include "companion_fixtures.h"
#include "datafiles/format/series.h"
#include "datafiles/write/symbol_files.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

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

TEST(XmasterWrite, CopyIntoAFolderWhoseXmasterListsTheSymbolIsRefused) {
  TempDir temp;
  const fs::path source = temp.path() / "p";
  const fs::path dest = temp.path() / "q";
  Write(source, Portfolio({Symbol(1, "X256"), Symbol(2, "OTHER")}));
  Write(dest, Portfolio({Symbol(1, "D1")}));
  WriteFileBytes(dest / "XMASTER", BuildXmasterBytes({{256, "X256", "EXTENDED"}}));
  const Snapshot before = TakeSnapshot(dest);
  EXPECT_EQ(MoveOrCopySymbol(source.string(), "x256", dest.string(), true), kSymbolExists);
  EXPECT_EQ(TakeSnapshot(dest), before);
  EXPECT_TRUE(fs::exists(source / "F1.DAT"));
  // A broken XMASTER lists nothing and does not stand in the way.
  WriteText(dest / "XMASTER", "broken file\n");
  EXPECT_EQ(MoveOrCopySymbol(source.string(), "X256", dest.string(), false), kSymbolAdded);
}

}  // namespace
}  // namespace voltrim::testing
