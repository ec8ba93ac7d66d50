#include <gtest/gtest.h>

#include "datafiles/format/series_facts.h"
#include "datafiles/write/repair_master.h"
#include "datafiles/write/symbol_files.h"

#include "write_commands.h"

namespace voltrim::testing {
namespace {

EmasterImage ReadEmaster(const fs::path& dir) {
  EmasterImage image;
  EXPECT_EQ(ReadEmasterImage((dir / "EMASTER").string(), image), kOk);
  return image;
}

bool InStep(const fs::path& dir) {
  return EmasterMirrors(ReadEmaster(dir), ReadFileBytes(dir / "MASTER"));
}

Bytes Record(const Bytes& emaster, int index) {
  const auto at = emaster.begin() + static_cast<std::ptrdiff_t>(EmasterImage::Offset(index));
  return Bytes(at, at + kEmasterRecordSize);
}

EmasterEntry Entry(const fs::path& dir, int index) {
  return DecodeEmasterRecord(Record(ReadFileBytes(dir / "EMASTER"), index).data());
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

// EMASTER's 14-character symbols, each against MASTER's first 14 characters, from the bytes:
// EMASTER's 192-byte records hold the file number at 2 and the symbol at 11 (14 bytes).
void ExpectEmasterMirrorsFully(const fs::path& dir) {
  EXPECT_TRUE(InStep(dir)) << dir;
  const Bytes master = ReadFileBytes(dir / "MASTER");
  const Bytes emaster = ReadFileBytes(dir / "EMASTER");
  const int records = master[0] | (master[1] << 8);
  ASSERT_EQ(emaster.size(), 192 * static_cast<std::size_t>(records + 1)) << dir;
  for (int i = 0; i < records; ++i) {
    const Bytes m = MasterRecordBytes(master, i);
    const std::size_t e = 192 * static_cast<std::size_t>(i + 1);
    EXPECT_EQ(emaster[e + 2], m[0]) << "record " << i;
    std::string symbol(m.begin() + 36, m.begin() + 52);
    symbol = symbol.substr(0, symbol.find(' ')).substr(0, 14);
    symbol.resize(14, '\0');
    EXPECT_EQ(std::string(emaster.begin() + static_cast<std::ptrdiff_t>(e + 11),
                          emaster.begin() + static_cast<std::ptrdiff_t>(e + 25)),
              symbol)
        << "record " << i;
  }
}

// Every write on folders whose EMASTER mirrors MASTER keeps it in step. Beyond the mirror:
// a 14th character carried over, a long name kept by a new symbol, replaced by a new name,
// taken along by a move and kept by a repair, made from MASTER's name where the source has
// no EMASTER, and the first date following a delete.
TEST(Emaster, EveryWriteKeepsAMirroringEmasterInStep) {
  for (const WriteCommand& row : WriteCommands()) {
    if (row.bare || row.undoIn) continue;
    SCOPED_TRACE(row.name);
    TempDir temp;
    MakeFixture(temp.path(), row);
    ASSERT_GE(row.run((temp.path() / "p").string(), (temp.path() / "q").string()), 0);
    for (const char* folder : {"p", "q"}) ExpectEmasterMirrorsFully(temp.path() / folder);
  }
  TempDir temp;
  const fs::path p = temp.path() / "p", q = temp.path() / "q", r = temp.path() / "r";
  Write(p, Portfolio({Symbol(1, "ABCDEFGHIJKLMN", "FOURTEEN"), Symbol(2, "BETA", "BETA INC", 3),
                      Symbol(3, "DELTA", "DELTA CO")}));
  Bytes master = ReadFileBytes(p / "MASTER");
  std::fill_n(master.begin() + 3 * 53 + 36, 16, ' ');  // DELTA needs repair
  WriteFileBytes(p / "MASTER", master);
  WriteMirroringEmaster(p);
  Write(q, Portfolio({Symbol(1, "D1")}));
  WriteMirroringEmaster(q);
  Write(r, Portfolio({Symbol(1, "R1", "R ONE")}));
  ASSERT_EQ(RenameMasterRecord(MasterPathIn(p.string()), 0, "ABCDEFGHIJKLMX", "FOURTEEN"), kOk);
  EXPECT_EQ(Entry(p, 0).longName, "FOURTEEN LONG");
  ASSERT_EQ(RenameMasterRecord(MasterPathIn(p.string()), 1, "BETA", "NEW NAME"), kOk);
  EXPECT_EQ(Entry(p, 1).longName, "NEW NAME");
  ASSERT_EQ(RepairMaster(MasterPathIn(p.string())), kOk);
  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(p.string(), "DELTA", facts), kFactsFound);
  EXPECT_EQ(facts.longName, "DELTA CO LONG");
  const DayNumber first = Day(2000, 1, 3);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, first, first), p.string(), "BETA"), kOk);
  EXPECT_EQ(Entry(p, 1).firstDate, 1000104.0f);
  ASSERT_EQ(MoveOrCopySymbol(p.string(), "ABCDEFGHIJKLMX", q.string(), true), kSymbolAdded);
  EXPECT_EQ(Entry(q, 1).fileNumber, 2);
  EXPECT_EQ(Entry(q, 1).longName, "FOURTEEN LONG");
  ASSERT_EQ(MoveOrCopySymbol(r.string(), "R1", q.string(), false), kSymbolAdded);
  EXPECT_EQ(Entry(q, 2).longName, "R ONE");
  for (const fs::path& dir : {p, q}) ExpectEmasterMirrorsFully(dir);
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
  EXPECT_TRUE(InStep(p));
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
