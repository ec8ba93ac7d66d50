#include <gtest/gtest.h>

#include "browser/grid_text.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// XMASTER is decoded here from its bytes, not through the code under test, as the real
// folders lay it out: a 150-byte header (record count at 10 and again at 14, the next file
// number at 18, 16 bits each) and 150-byte records: symbol at 1 (15 bytes), name at 16 (46),
// file number at 65 (16 bits), first date at 108 and last date at 116 (32-bit YYYYMMDD).
Bytes RecordOf(const Bytes& b, int record) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(X(record, 0)),
               b.begin() + static_cast<std::ptrdiff_t>(X(record + 1, 0)));
}

TEST(XmasterDates, QuoteDeletesAtEitherEndMoveTheRealFolderDates) {
  TempDir temp;
  if (CopyRealFolder("equis-small", temp.path()).empty()) GTEST_SKIP() << "no data";
  struct Case {
    const char* symbol;
    DayNumber day;
    std::size_t offset;  // the date field that must change (0: none)
    std::uint32_t newDate;
  } cases[] = {
      // .N225 is F2853.MWD with quotes of 01/04/82 and 01/05/82.
      {".N225", Day(1982, 1, 4), 108, 19820105},
      {".N225", Day(1982, 1, 5), 116, 19820104},
      // AZM.L (F256.MWD) holds one quote: both dates name it, as MASTER's do.
      {"AZM.L", Day(1996, 12, 31), 116, 19961231},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.symbol) + " " + std::to_string(c.newDate));
    const fs::path into = temp.path() / std::to_string(n++);
    fs::create_directories(into);
    const fs::path dir = CopyRealFolder("equis-small", into);
    const Snapshot before = TakeSnapshot(dir);
    const std::string mwd = c.symbol[0] == '.' ? "F2853.MWD" : "F256.MWD";
    ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, c.day, c.day), dir.string(), c.symbol), kOk);
    const Bytes old = before.at("XMASTER");
    Bytes expected = PutNumber(old, X(c.symbol[0] == '.' ? 1 : 0, c.offset), c.newDate, 4);
    if (c.symbol[0] != '.') expected = PutNumber(expected, X(0, 108), 19961231, 4);
    EXPECT_EQ(ReadFileBytes(dir / "XMASTER"), expected);
    EXPECT_EQ(ReadFileBytes(dir / "XMASTER.BAK"), old);
    // The MWD lost one 28-byte record (the rewrite's bytes are the DAT tests').
    EXPECT_EQ(ReadFileBytes(dir / mwd).size(), before.at(mwd).size() - 28);
  }
  // An edit that leaves the ends where they are leaves XMASTER alone.
  fs::create_directories(temp.path() / "set");
  const fs::path dir = CopyRealFolder("equis-small", temp.path() / "set");
  const Bytes old = ReadFileBytes(dir / "XMASTER");
  ASSERT_EQ(
      RewriteSeries(Edit(edit_kind::kSet, Day(1982, 1, 5), Day(1982, 1, 5), {1, 2, 3, 4, 5, 6}),
                    dir.string(), ".N225"),
      kOk);
  EXPECT_EQ(ReadFileBytes(dir / "XMASTER"), old);
  EXPECT_FALSE(fs::exists(dir / "XMASTER.BAK"));
  EXPECT_EQ(ReadQuotes(dir.string(), ".N225").back().close, 4.0f);
}

TEST(XmasterSymbols, RenameWritesBothFieldsWhole) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no data";
  const Bytes old = ReadFileBytes(dir / "XMASTER");
  // As long as the fields hold before their NUL (one more is refused, see the write
  // commands' refusals).
  const std::string symbol(14, 'S'), name(45, 'N');
  ASSERT_EQ(RenameXmasterRecord(dir.string(), 1, symbol, name), kOk);
  const Bytes now = ReadFileBytes(dir / "XMASTER");
  ASSERT_EQ(now.size(), old.size());
  EXPECT_EQ(now, Put(Put(old, X(1, 1), symbol + '\0'), X(1, 16), name + '\0'));
  EXPECT_EQ(ReadFileBytes(dir / "XMASTER.BAK"), old);
  EXPECT_EQ(ReadQuotes(dir.string(), symbol).size(), 2u);
}

// The record after the one deleted moves up, and the data file goes with its DOP file and
// backup.
TEST(XmasterSymbols, DeleteRemovesTheRecordAndItsFilesAndKeepsTheHeaderRight) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no data";
  const Bytes old = ReadFileBytes(dir / "XMASTER");
  WriteFileBytes(dir / "F256.DOP", {1});
  WriteFileBytes(dir / "F256.BAK", {2});
  ASSERT_EQ(DeleteXmasterSymbol(dir.string(), "AZM.L"), kOk);
  Bytes expected = PutNumber(PutNumber(RecordOf(old, -1), 10, 1, 2), 14, 1, 2);
  const Bytes last = RecordOf(old, 1);
  expected.insert(expected.end(), last.begin(), last.end());
  EXPECT_EQ(ReadFileBytes(dir / "XMASTER"), expected);  // the next number is never handed back
  for (const char* gone : {"F256.MWD", "F256.DOP", "F256.BAK"})
    EXPECT_FALSE(fs::exists(dir / gone)) << gone;
  EXPECT_TRUE(fs::exists(dir / "F2853.MWD"));
}

// 255 + 1,000 series: every one listed in order and read; a write at the far end of
// XMASTER changes that record alone.
TEST(WideXmasterFolder, EverySeriesIsListedReadAndWritable) {
  TempDir temp;
  const std::string dir = WriteWideFolder(temp.path() / "wide", 1000);
  SymbolRows master;
  ASSERT_EQ(ReadSymbolRows(MasterPathIn(dir), master), kOk);
  std::vector<SymbolRow> extended;
  ASSERT_EQ(ReadXmasterSymbolRows(dir, extended), kOk);
  ASSERT_EQ(master.rows.size() + extended.size(), 1255u);
  XmasterFile xmaster;
  ASSERT_EQ(ReadXmasterFile(dir, xmaster), kOk);
  for (int n = 256; n < 1256; ++n) {
    const SymbolRow& row = extended[static_cast<std::size_t>(n - 256)];
    ASSERT_EQ(row.symbol, "X" + std::to_string(n));
    ASSERT_EQ(row.index, IndexFile::kXmaster);
    ASSERT_EQ(row.record, n - 256);
    // Looked up by symbol at both ends; by its record everywhere.
    SeriesLocation location;
    if (n == 256 || n == 1255) {
      ASSERT_EQ(LocateAnySeries(dir, row.symbol, location), kOk);
    }
    ASSERT_EQ(LocateXmasterRecordSeries(dir, xmaster.records[static_cast<std::size_t>(n - 256)],
                                        location),
              kOk)
        << row.symbol;
    SeriesBuffer buffer(3);
    ASSERT_EQ(ReadSeriesAt(buffer, location, 0, 3), kOk);
    ASSERT_EQ(buffer.At(0).close, static_cast<float>(n) + 0.25f);
  }
  const Bytes old = ReadFileBytes(fs::path(dir) / "XMASTER");
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, Day(2000, 1, 5), Day(2000, 1, 5)), dir, "X1255"),
            kOk);
  EXPECT_EQ(ReadFileBytes(fs::path(dir) / "XMASTER"), PutNumber(old, X(999, 116), 20000104, 4));
}

// The listing read once resolves names as ResolveInDirectory does.
TEST(FolderNamesTest, ResolvesAsTheLookupOfEachName) {
  TempDir temp;
  for (const char* name : {"F1.DAT", "f1.dat", "f2.dop", "Master"})
    WriteText(temp.path() / name, "x");
  const FolderNames names(temp.str());
  for (const char* name : {"F1.DAT", "f1.dat", "F1.dat", "F2.DOP", "f2.dop", "MASTER", "F3.DOP"}) {
    SCOPED_TRACE(name);
    const std::string resolved = names.Resolve(name);
    EXPECT_EQ(resolved, ResolveInDirectory(temp.str(), name));
    EXPECT_EQ(fs::path(resolved).parent_path(), temp.path());
  }
  EXPECT_EQ(fs::path(names.Resolve("F2.DOP")).filename(), "f2.dop");
  EXPECT_EQ(fs::path(names.Resolve("F3.DOP")).filename(), "F3.DOP");
  EXPECT_EQ(fs::path(names.Resolve("f1.dat")).filename(), "f1.dat");
}

}  // namespace
}  // namespace voltrim::testing
