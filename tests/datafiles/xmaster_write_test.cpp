#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "browser/grid_text.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// The file decoded here from its bytes, not through the code under test, as the real
// folders lay it out: a 150-byte header (record count at 10 and again at 14, the next file
// number at 18, 16 bits each) and 150-byte records: symbol at 1 (15 bytes), name at 16 (46),
// file number at 65 (16 bits), first date at 108 and last date at 116 (32-bit YYYYMMDD).
int U16(const Bytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
int I32(const Bytes& b, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(b[at + i]) << (8 * i);
  return static_cast<int>(v);
}
std::string Text(const Bytes& b, std::size_t at, std::size_t width) {
  std::string text(reinterpret_cast<const char*>(b.data() + at), width);
  return text.substr(0, text.find('\0'));
}
constexpr std::size_t At(int record) { return 150 * static_cast<std::size_t>(record + 1); }
Bytes RecordOf(const Bytes& b, int record) {
  return Bytes(b.begin() + static_cast<std::ptrdiff_t>(At(record)),
               b.begin() + static_cast<std::ptrdiff_t>(At(record + 1)));
}
// Old bytes with one 32-bit field of a record set: what a date update must leave.
Bytes WithDate(Bytes b, int record, std::size_t offset, std::uint32_t yyyymmdd) {
  for (std::size_t i = 0; i < 4; ++i)
    b[At(record) + offset + i] = static_cast<unsigned char>(yyyymmdd >> (8 * i));
  return b;
}

// p: ACME (F1) in MASTER, X256 and X257 in XMASTER.
fs::path SmallFolder(const fs::path& root) {
  const fs::path p = root / "p";
  Write(p, Portfolio({Symbol(1, "ACME", "ACME CORP", 5)}));
  WriteFileBytes(p / "XMASTER",
                 BuildXmasterBytes({{256, "X256", "EXTENDED 256"}, {257, "X257", "EXTENDED 257"}}));
  WriteFileBytes(p / "F256.MWD", MwdBytes(256));
  WriteFileBytes(p / "F257.MWD", MwdBytes(257));
  return p;
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
    Bytes expected = WithDate(old, c.symbol[0] == '.' ? 1 : 0, c.offset, c.newDate);
    if (c.symbol[0] != '.') expected = WithDate(expected, 0, 108, 19961231);
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
  const std::string symbol(14, 'S'), name(45, 'N');
  // One character more than the field holds before its NUL is refused, nothing written.
  EXPECT_EQ(RenameXmasterRecord(dir.string(), 1, symbol + "S", "X"), kBadRequest);
  EXPECT_EQ(RenameXmasterRecord(dir.string(), 1, "X", name + "N"), kBadRequest);
  EXPECT_EQ(RenameXmasterRecord(dir.string(), 2, "X", "Y"), kRecordNotFound);
  EXPECT_EQ(ReadFileBytes(dir / "XMASTER"), old);

  ASSERT_EQ(RenameXmasterRecord(dir.string(), 1, symbol, name), kOk);
  const Bytes now = ReadFileBytes(dir / "XMASTER");
  ASSERT_EQ(now.size(), old.size());
  EXPECT_EQ(Text(now, At(1) + 1, 15), symbol);
  EXPECT_EQ(now[At(1) + 15], 0);
  EXPECT_EQ(Text(now, At(1) + 16, 46), name);
  EXPECT_EQ(now[At(1) + 61], 0);
  // Nothing outside the two fields moved.
  Bytes rest = now;
  std::memcpy(rest.data() + At(1) + 1, old.data() + At(1) + 1, 61);
  EXPECT_EQ(rest, old);
  EXPECT_EQ(ReadFileBytes(dir / "XMASTER.BAK"), old);
  EXPECT_EQ(ReadQuotes(dir.string(), symbol).size(), 2u);
}

TEST(XmasterSymbols, DeleteRemovesTheRecordAndItsFilesAndKeepsTheHeaderRight) {
  TempDir temp;
  const fs::path dir = CopyRealFolder("equis-small", temp.path());
  if (dir.empty()) GTEST_SKIP() << "no data";
  const Bytes old = ReadFileBytes(dir / "XMASTER");
  WriteFileBytes(dir / "F256.DOP", {1});
  WriteFileBytes(dir / "F256.BAK", {2});
  EXPECT_EQ(DeleteXmasterSymbol(dir.string(), "azm.l"), kRecordNotFound);  // as MASTER's
  ASSERT_EQ(DeleteXmasterSymbol(dir.string(), "AZM.L"), kOk);
  const Bytes now = ReadFileBytes(dir / "XMASTER");
  ASSERT_EQ(now.size(), 300u);
  EXPECT_EQ(U16(now, 10), 1);
  EXPECT_EQ(U16(now, 14), 1);
  EXPECT_EQ(U16(now, 18), 2854);  // the next number is never handed back
  EXPECT_EQ(Bytes(now.begin() + 18, now.begin() + 150), Bytes(old.begin() + 18, old.begin() + 150));
  EXPECT_EQ(RecordOf(now, 0), RecordOf(old, 1));
  for (const char* gone : {"F256.MWD", "F256.DOP", "F256.BAK"})
    EXPECT_FALSE(fs::exists(dir / gone)) << gone;
  EXPECT_TRUE(fs::exists(dir / "F2853.MWD"));
}

// Every write that would change XMASTER refuses a damaged one, leaving every file as it was.
TEST(XmasterSymbols, ADamagedXmasterIsRefusedWithNothingWritten) {
  const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damages = {
      {"none", [](Bytes&) {}},  // the control: every write goes through
      {"short", [](Bytes& b) { b.resize(100); }},
      {"count beyond the file", [](Bytes& b) { b[10] = b[14] = 3; }},
      {"negative count", [](Bytes& b) { b[11] = b[15] = 0x80; }},
      {"counts disagree", [](Bytes& b) { b[14] = 1; }},
      {"file number out of range", [](Bytes& b) { b[At(1) + 65] = 12, b[At(1) + 66] = 0; }},
      {"symbol with no NUL", [](Bytes& b) { std::memset(b.data() + At(1) + 1, 'A', 15); }},
      {"name with no NUL", [](Bytes& b) { std::memset(b.data() + At(1) + 16, 'B', 46); }},
  };
  const std::vector<
      std::pair<const char*, std::function<int(const std::string&, const std::string&)>>>
      writes = {
          {"delete quote",
           [](auto p, auto) {
             return RewriteSeries(Edit(edit_kind::kDelete, Day(2000, 1, 3), Day(2000, 1, 3)), p,
                                  "X256");
           }},
          {"rename", [](auto p, auto) { return RenameXmasterRecord(p, 0, "NEW", "NEW"); }},
          {"delete symbol", [](auto p, auto) { return DeleteXmasterSymbol(p, "X256"); }},
          {"move out", [](auto p, auto q) { return MoveOrCopySymbol(p, "X256", q, true); }},
          {"move in", [](auto p, auto q) { return MoveOrCopySymbol(q, "Q1", p, true); }},
      };
  for (const auto& [damage, apply] : damages) {
    for (const auto& [write, run] : writes) {
      SCOPED_TRACE(std::string(damage) + ", " + write);
      TempDir temp;
      const fs::path p = SmallFolder(temp.path());
      // A full MASTER sends the series moved in to XMASTER.
      Bytes master = ReadFileBytes(p / "MASTER");
      master[2] = 255;
      WriteFileBytes(p / "MASTER", master);
      Write(temp.path() / "q", Portfolio({Symbol(1, "Q1")}));
      Bytes xmaster = ReadFileBytes(p / "XMASTER");
      apply(xmaster);
      WriteFileBytes(p / "XMASTER", xmaster);
      const Snapshot before = TakeSnapshot(temp.path());
      const int result = run(p.string(), (temp.path() / "q").string());
      if (std::string(damage) == "none") {
        EXPECT_EQ(result, kOk);
        continue;
      }
      EXPECT_NE(result, kOk);
      EXPECT_TRUE(TakeSnapshot(temp.path()) == before);
    }
  }
}

TEST(XmasterTransfer, AnXmasterSeriesBecomesADatSeriesWhereMasterHasRoom) {
  TempDir temp;
  const fs::path p = SmallFolder(temp.path());
  const fs::path q = temp.path() / "q";
  Write(q, Portfolio({Symbol(1, "Q1")}));
  WriteMirroringEmaster(q);
  const Bytes oldX = ReadFileBytes(p / "XMASTER");
  ASSERT_EQ(MoveOrCopySymbol(p.string(), "x257", q.string(), true), kSymbolAdded);

  const Bytes master = ReadFileBytes(q / "MASTER");
  ASSERT_EQ(master.size(), 3 * kMasterRecordSize);
  EXPECT_EQ(master[0], 2);  // records
  const Bytes record = MasterRecordBytes(master, 1);
  EXPECT_EQ(record[0], 2);   // F2.DAT
  EXPECT_EQ(record[3], 24);  // record length of six fields
  EXPECT_EQ(record[4], 6);
  EXPECT_EQ(std::string(record.begin() + 36, record.begin() + 52), "X257            ");
  EXPECT_EQ(std::string(record.begin() + 7, record.begin() + 23), "EXTENDED 257    ");
  EXPECT_EQ(record[33], 'D');
  EXPECT_EQ(ReadFileBytes(q / "F2.DAT"), MwdBytes(257));
  EmasterImage emaster;
  ASSERT_EQ(ReadEmasterImage((q / "EMASTER").string(), emaster), kOk);
  EXPECT_TRUE(EmasterMirrors(emaster, master));
  EXPECT_EQ(ReadQuotes(q.string(), "X257").size(), 3u);

  // The source lost the record and the file, and nothing else.
  const Bytes nowX = ReadFileBytes(p / "XMASTER");
  ASSERT_EQ(nowX.size(), 300u);
  EXPECT_EQ(U16(nowX, 10), 1);
  EXPECT_EQ(U16(nowX, 14), 1);
  EXPECT_EQ(RecordOf(nowX, 0), RecordOf(oldX, 0));
  EXPECT_FALSE(fs::exists(p / "F257.MWD"));
  EXPECT_TRUE(fs::exists(p / "F256.MWD"));
}

TEST(XmasterTransfer, AFullMasterTakesTheSeriesIntoItsXmasterOrIsFull) {
  TempDir temp;
  const fs::path p = SmallFolder(temp.path());
  const fs::path wide = temp.path() / "wide";
  WriteWideFolder(wide, 2);  // 255 in MASTER, X256 and X257 in XMASTER
  const Bytes oldX = ReadFileBytes(wide / "XMASTER");
  const Snapshot source = TakeSnapshot(p);

  // A DAT series: the next MWD number, its record built from MASTER's.
  ASSERT_EQ(MoveOrCopySymbol(p.string(), "ACME", wide.string(), false), kSymbolAdded);
  Bytes x = ReadFileBytes(wide / "XMASTER");
  ASSERT_EQ(x.size(), 4 * 150u);
  EXPECT_EQ(U16(x, 10), 3);
  EXPECT_EQ(U16(x, 14), 3);
  EXPECT_EQ(U16(x, 18), 259);
  Bytes head = oldX;  // the header and the first two records, the counts and number moved
  head[10] = head[14] = 3;
  head[18] = 259 & 0xFF;
  head[19] = 259 >> 8;
  EXPECT_EQ(Bytes(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(At(2))), head);
  EXPECT_EQ(x[At(2)], 1);
  EXPECT_EQ(Text(x, At(2) + 1, 15), "ACME");
  EXPECT_EQ(Text(x, At(2) + 16, 46), "ACME CORP");
  EXPECT_EQ(x[At(2) + 62], 'D');
  EXPECT_EQ(U16(x, At(2) + 65), 258);
  EXPECT_EQ(x[At(2) + 70], 0x3F);  // Date, High, Low, Close, Vol, Open
  EXPECT_EQ(I32(x, At(2) + 108), 20000103);
  EXPECT_EQ(I32(x, At(2) + 116), 20000107);
  EXPECT_EQ(ReadFileBytes(wide / "F258.MWD"), source.at("F1.DAT"));
  EXPECT_EQ(ReadFileBytes(wide / "XMASTER.BAK"), oldX);
  EXPECT_TRUE(TakeSnapshot(p) == source);  // a copy

  // An XMASTER series moves in the same way, and leaves its source.
  ASSERT_EQ(MoveOrCopySymbol(p.string(), "X256", wide.string(), true), kSymbolExists);
  ASSERT_EQ(RenameXmasterRecord(p.string(), 0, "Y256", "MOVED"), kOk);
  ASSERT_EQ(MoveOrCopySymbol(p.string(), "Y256", wide.string(), true), kSymbolAdded);
  x = ReadFileBytes(wide / "XMASTER");
  EXPECT_EQ(U16(x, 10), 4);
  EXPECT_EQ(U16(x, At(3) + 65), 259);
  EXPECT_EQ(Text(x, At(3) + 1, 15), "Y256");
  EXPECT_EQ(ReadFileBytes(wide / "F259.MWD"), MwdBytes(256));
  EXPECT_FALSE(fs::exists(p / "F256.MWD"));
  EXPECT_EQ(U16(ReadFileBytes(p / "XMASTER"), 10), 1);

  // A full MASTER without XMASTER stays full: nothing written anywhere.
  fs::remove(wide / "XMASTER");
  const Snapshot before = TakeSnapshot(temp.path());
  EXPECT_EQ(MoveOrCopySymbol(p.string(), "X257", wide.string(), true), kPortfolioFull);
  EXPECT_EQ(MoveOrCopySymbol(p.string(), "ACME", wide.string(), true), kPortfolioFull);
  EXPECT_TRUE(TakeSnapshot(temp.path()) == before);
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
  EXPECT_EQ(ReadFileBytes(fs::path(dir) / "XMASTER"), WithDate(old, 999, 116, 20000104));
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
