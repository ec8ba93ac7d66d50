#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string_view>

#include "datafiles/io/file_ops.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

std::vector<int> Positions(const ColumnLayout& layout) {
  std::vector<int> p;
  for (const auto& f : layout.fields) p.push_back(f.position);
  return p;
}

TEST(ColumnLayouts, FromDopLinesOrInferredFromRecordLengthAndFirstQuote) {
  const struct {
    std::string text;
    Status status;
    std::vector<int> positions;
  } cases[] = {
      // Keyword prefixes in any case; unrecognised quoted lines take no position, other
      // lines are ignored; LF alone ends a line too.
      {"\"date\",0,0\r\n\"Remark\",1,1\n \"TIME\",0,0\nheader text\n\"Open Int\",-3,-7\n"
       "\"Volume\",0,100\n",
       kOk,
       {1, 0, 2, 0, 0, 0, 3, 0}},
      // The later of two lines for one keyword wins; both take a position.
      {"\"DATE\",0,0\n\"CLOSE\",1,1\n\"CLOSE 2\",2,2\n", kOk, {1, 0, 0, 0, 0, 3, 0, 0}},
      {"\"DATE\",0,0\n\"CLOSE\",2\n", kDamagedFile, {}},
      {"\"DATE\"\n", kDamagedFile, {}},
  };
  ColumnLayout layout;
  for (const auto& c : cases) {
    ASSERT_EQ(ParseDopText(c.text, layout), c.status) << c.text;
    if (c.status == kOk) {
      EXPECT_EQ(Positions(layout), c.positions) << c.text;
    }
  }

  // Lengths without a layout (those with one are read in EveryColumnOfAnInferredLayout).
  EXPECT_EQ(InferColumnLayout(32, nullptr, layout, false), kNoLayout);
  EXPECT_EQ(InferColumnLayout(36, nullptr, layout, true), kNoLayout);
  // For 20-byte records the fifth value of the first quote tells a volume from a close.
  for (const auto& [fifth, volume] :
       {std::pair{12000.0f, true}, {10.4f, false}, {21.0f, false}, {21.5f, true}}) {
    TempDir tmp;
    SeriesSpec series;
    series.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close};
    series.writeDop = false;
    series.records = {{1000103.0f, 10.5f, 10.0f, 10.25f, fifth}};
    Write(tmp.path(), Portfolio({SeriesEntry(series)}));
    ASSERT_EQ(ReadColumnLayout(tmp.str() + "/F1.DOP", 20, layout), kOk);
    const std::vector<int> expected = volume ? std::vector<int>{1, 0, 0, 2, 3, 4, 5, 0}
                                             : std::vector<int>{1, 0, 2, 3, 4, 5, 0, 0};
    EXPECT_EQ(Positions(layout), expected) << fifth;
  }
}

// The quote number a slot holds, from its close.
int QuoteIn(const SeriesBuffer& buffer, int slot) {
  return static_cast<int>(buffer.At(slot).close - 10.25f);
}

TEST(ReadSeries, WindowsOfTheSeries) {
  const struct {
    int quotes, capacity, start, count;
    Status status;
    int read, first;  // quotes in the buffer afterwards, and the first one's number
  } cases[] = {
      {1234, 32767, -1, 400, kOk, 400, 834},  // negative start: the last quotes
      {20000, 32767, 0, -1, kOk, 16000, 0},   // negative count: all, at most 16000
      {1000, 400, 900, 400, kOk, 100, 900},   // the end of the series limits the window
      {0, 400, -1, 400, kRecordNotFound, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.quotes << " quotes from " << c.start << " count "
                                      << c.count << " capacity " << c.capacity);
    TempDir tmp;
    Write(tmp.path(), Portfolio({Symbol(1, "S", "", c.quotes)}));
    SeriesBuffer buffer;
    ASSERT_EQ(AllocSeriesBuffer(buffer, c.capacity), kOk);
    ASSERT_EQ(ReadSeries(buffer, tmp.str(), "s", c.start, c.count), c.status);
    if (c.status != kOk) continue;
    ASSERT_EQ(buffer.Count(), c.read);
    EXPECT_EQ(std::tuple(buffer.Total(), QuoteIn(buffer, 0), QuoteIn(buffer, c.read - 1)),
              std::tuple(c.quotes, c.first, c.first + c.read - 1));
    EXPECT_EQ(SetSeriesCount(buffer, c.capacity + 1), kMalloc);
  }
}

// Each field of one stored quote holds its own value, so a field read from the wrong place
// shows. Stored in the order the record length (and periodicity) implies, without DOP.
TEST(ReadSeries, EveryColumnOfAnInferredLayout) {
  using enum Field;
  const std::map<Field, float> stored = {{Date, 1000103.0f}, {Time, 93500.0f}, {Open, 1.5f},
                                         {High, 2.5f},       {Low, 0.5f},      {Close, 2.0f},
                                         {Vol, 700.0f},      {Oi, 80.0f}};
  const std::pair<char, std::vector<Field>> cases[] = {
      {'D', {Date, Close}},
      {'D', {Date, Close, Vol}},
      {'D', {Date, High, Low, Close}},
      {'D', {Date, Open, High, Low, Close, Vol}},
      {'D', {Date, Open, High, Low, Close, Vol, Oi}},
      {'I', {Date, Open, High, Low, Close, Vol}},
      {'I', {Date, Time, Open, High, Low, Close, Vol}},
      {'I', {Date, Time, Open, High, Low, Close, Vol, Oi}}};
  for (const auto& [periodicity, fields] : cases) {
    SCOPED_TRACE(::testing::Message() << periodicity << " " << fields.size() << " fields");
    SeriesSpec series;
    series.symbol = "S";
    series.periodicity = periodicity;
    series.fields = fields;
    series.writeDop = false;
    RawRecord record;
    for (const Field f : fields) record.push_back(stored.at(f));
    series.records = {record};
    TempDir tmp;
    Write(tmp.path(), Portfolio({SeriesEntry(series)}));
    SeriesBuffer buffer(10);
    ASSERT_EQ(ReadSeries(buffer, tmp.str(), "S", 0, -1), kOk);
    ASSERT_EQ(buffer.Count(), 1);
    const Quote q = buffer.At(0);
    const auto has = [&](Field f) { return std::count(fields.begin(), fields.end(), f) > 0; };
    EXPECT_EQ(q.date, Day(2000, 1, 3));
    EXPECT_EQ(q.time, has(Time) ? PackTime(9, 35, 0) : 0);
    for (const Field f : kValueFields) EXPECT_EQ(q.Value(f), has(f) ? stored.at(f) : -1.0f);
  }
}

// Names that are not regular files are refused at once: a FIFO would wait for a writer for
// ever and a device would feed junk.
TEST(NonRegularFiles, AreRefusedWithoutWaiting) {
  TempDir tmp;
  Write(tmp.path(), Portfolio({Symbol(1, "FIFO"), Symbol(2, "DEVICE"), Symbol(3, "DOPFIFO")}));
  const auto p = [&](const char* name) { return (tmp.path() / name).string(); };
  for (const char* file : {"F1.DAT", "F2.DAT", "F3.DOP"}) fs::remove(p(file));
  ASSERT_EQ(mkfifo(p("F1.DAT").c_str(), 0600), 0);
  fs::create_symlink("/dev/urandom", p("F2.DAT"));
  ASSERT_EQ(mkfifo(p("F3.DOP").c_str(), 0600), 0);

  SeriesBuffer buffer(10);
  const std::pair<const char*, Status> reads[] = {
      {"FIFO", kFileOpen}, {"DEVICE", kFileOpen}, {"DOPFIFO", kDamagedFile}};
  for (const auto& [symbol, status] : reads) {
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), symbol, 0, -1), status) << symbol;
    EXPECT_EQ(FindQuote(tmp.str(), symbol, Day(2000, 1, 3), 0), status) << symbol;
    EXPECT_NE(
        RewriteSeries(Edit(edit_kind::kScale, 1, 65535, {1, 1, 1, 1, 1, 1}), tmp.str(), symbol),
        kOk)
        << symbol;
  }
  EXPECT_TRUE(fs::is_fifo(p("F1.DAT")));
  EXPECT_TRUE(fs::is_symlink(p("F2.DAT")));

  // A FIFO named MASTER beside a regular master: MASTER is the one the lookups open.
  fs::rename(p("MASTER"), p("master"));
  ASSERT_EQ(mkfifo(p("MASTER").c_str(), 0600), 0);
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(p("MASTER"), master), kFileOpen);
  FoundSymbol found;
  EXPECT_EQ(FindSymbol(tmp.str(), "FIFO", found), kFileNotFound);
}

// A file read whole grows its room when the file grows while it is read: the bytes read so
// far stay.
TEST(FileBytes, GrowingKeepsTheBytesReadSoFar) {
  file_ops::FileBytes bytes;
  bytes.resize(3);
  std::memcpy(bytes.data(), "abc", 3);
  bytes.resize(std::size_t{1} << 20);
  ASSERT_EQ(bytes.size(), std::size_t{1} << 20);
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(bytes.data()), 3), "abc");
  bytes.resize(2);
  EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), "ab");
}

// One way a series' files can be damaged, and the status every reader must give for it.
struct Damage {
  const char* what;
  int recordLengthByte = 0;    // the stored header byte; 0 = as written
  Bytes datHead = {};          // bytes written over the DAT's start
  bool datIsHeadOnly = false;  // ...or as the whole DAT
  const char* dop = nullptr;   // DOP text written instead
  bool datMissing = false;
  Status expected = kDamagedFile;
};

TEST(DamagedFiles, EveryReaderRefusesWithAStatus) {
  const Damage damages[] = {
      {.what = "record length not 4 x fields", .recordLengthByte = 20},
      {.what = "negative record length", .recordLengthByte = 0xE8},
      {.what = "last record negative", .datHead = {0, 0, 0xFF, 0xFF}},
      {.what = "last record zero", .datHead = {0, 0, 0, 0}},
      {.what = "DAT shorter than its header", .datHead = {0, 0, 5}, .datIsHeadOnly = true},
      {.what = "DAT missing", .datMissing = true, .expected = kFileOpen},
      {.what = "DOP without DATE", .dop = "\"CLOSE\",2,2\r\n"},
      {.what = "DOP position past the fields",
       .dop = "\"DATE\",0,0\n\"OPEN\",0,0\n\"HIGH\",0,0\n\"LOW\",0,0\n\"CLOSE\",0,0\n\"VOL\",0,0\n"
              "\"OI\",0,0\n"},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    TempDir tmp;
    SeriesSpec series = MakeDailySeries(1, "S", "", Quotes(20));
    series.recordLengthByte = d.recordLengthByte;
    Write(tmp.path(), Portfolio({SeriesEntry(series)}));
    const auto dat = tmp.path() / "F1.DAT";
    if (d.datMissing) fs::remove(dat);
    if (d.dop != nullptr) WriteText(tmp.path() / "F1.DOP", d.dop);
    if (!d.datHead.empty()) {
      Bytes bytes = d.datIsHeadOnly ? Bytes{} : ReadFileBytes(dat);
      bytes.resize(std::max(bytes.size(), d.datHead.size()));
      std::copy(d.datHead.begin(), d.datHead.end(), bytes.begin());
      WriteFileBytes(dat, bytes);
    }

    // What the readers refuse, a rewrite refuses too, leaving every file as it was.
    const Snapshot before = TakeSnapshot(tmp.path());
    EXPECT_EQ(RewriteSeries(Edit(edit_kind::kScale, 1, 65535, {1, 1, 1, 1, 1, 1}), tmp.str(), "S"),
              d.expected);
    EXPECT_EQ(TakeSnapshot(tmp.path()), before);

    SeriesBuffer buffer(400);
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), "S", 0, -1), d.expected);
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), "S", -1, 400), d.expected);
    EXPECT_EQ(FindQuote(tmp.str(), "S", Day(2000, 1, 3), 0), d.expected);
    SeriesLocation location;
    const Status located = LocateSeries(tmp.str(), "S", location);
    std::int16_t last = 0;
    EXPECT_EQ(located == kOk ? ReadDatLastRecord(location.datPath, last) : located, d.expected);
  }
}

// Paging a long series, cut short part way, either way from one open file: every window
// (the short ones at the cut included) must be what a read of that window alone gives.
TEST(SeriesReader, PagingMatchesSingleReadsBothWays) {
  TempDir tmp;
  Write(tmp.path(), Portfolio({Symbol(1, "S", "Series", 20000)}));
  // Before the cut, a quote is found from a weekend day (the next one), past the last not.
  const auto quotes = Quotes(20000);
  DayNumber day = 0;
  EXPECT_EQ(FindQuote(tmp.str(), "S", static_cast<DayNumber>(quotes[4].day + 1), 0, &day), 5);
  EXPECT_EQ(day, quotes[5].day);
  EXPECT_EQ(FindQuote(tmp.str(), "S", static_cast<DayNumber>(quotes.back().day + 3), 0, &day),
            kRecordNotFound);
  EXPECT_EQ(day, quotes.back().day);
  SeriesLocation location;
  ASSERT_EQ(LocateSeries(tmp.str(), "S", location), kOk);
  auto bytes = ReadFileBytes(tmp.path() / "F1.DAT");
  bytes.resize(bytes.size() - 24 * 2500 - 7);
  WriteFileBytes(tmp.path() / "F1.DAT", bytes);
  SeriesBuffer buffer(400), alone(400);
  for (const bool newestFirst : {true, false}) {
    SeriesReader reader, inMemory;
    ASSERT_EQ(reader.Open(location), kOk);
    ASSERT_EQ(inMemory.OpenBytes(bytes, location), kOk);
    for (int done = 0; done < 20000; done += 399) {
      const int start = newestFirst ? std::max(0, 20000 - done - 400) : done;
      ASSERT_EQ(reader.Read(buffer, start, 400), kOk);
      ASSERT_EQ(ReadSeriesAt(alone, location, start, 400), kOk);
      ASSERT_EQ(buffer.Count(), alone.Count()) << start;
      // The same window as stored, from the file and from its bytes in memory.
      for (SeriesReader* storedReader : {&reader, &inMemory}) {
        const std::uint8_t* records = nullptr;
        ASSERT_EQ(storedReader->ReadStored(start, 400, records), alone.Count()) << start;
        const auto stored = static_cast<std::size_t>(24 * alone.Count());
        const auto from = static_cast<std::size_t>(24 * (start + 1));
        if (stored > 0) {
          EXPECT_TRUE(std::equal(records, records + stored, bytes.data() + from)) << start;
        }
      }
      EXPECT_EQ(buffer.Total(), 20000);
      if (alone.Count() > 0) {
        EXPECT_EQ(QuoteIn(buffer, 0), start) << start;
        EXPECT_EQ(buffer.DateAt(alone.Count() - 1), alone.DateAt(alone.Count() - 1)) << start;
      }
    }
    EXPECT_EQ(reader.Read(buffer, 20000, 1), kRecordNotFound);
  }
  // A plain read ends with the file; a quote past it is a failure, not a guess.
  ASSERT_EQ(ReadSeries(buffer, tmp.str(), "S", 17400, 400), kOk);
  EXPECT_EQ(std::tuple(buffer.Total(), buffer.Count()), std::tuple(20000, 99));
  EXPECT_EQ(FindQuote(tmp.str(), "S", quotes[18000].day, 0), kFileRead);
}

// "file number @ folder below root" of what FindSymbol found, or the status when it failed.
std::string Lookup(const fs::path& root, std::string_view text) {
  FoundSymbol found;
  const Status status = FindSymbol(root.string(), text, found);
  if (status != kOk) return "status " + std::to_string(status);
  return std::to_string(found.record.FileNumber()) + " @ " +
         found.directory.substr(root.string().size());
}
const std::string kNotFound = "status " + std::to_string(kFileNotFound);

TEST(FindSymbol, NameOrSymbolTopLevelFirstThenSubdirectoriesDepthFirst) {
  TempDir tmp;
  const auto& d = tmp.path();
  Write(d, Portfolio({SubdirectoryEntry("SUB1"), SubdirectoryEntry("EMPTY"),
                      SubdirectoryEntry("SUB2"), Symbol(1, "X", "Alpha"), Symbol(2, "XYZ", "IBM"),
                      Symbol(5, "IBM", "Intl Business")}));
  Write(d / "SUB1", Portfolio({SubdirectoryEntry("DEEP"), Symbol(2, "Y")}));
  Write(d / "SUB1" / "DEEP", Portfolio({Symbol(3, "Z"), Symbol(4, "X")}));
  fs::create_directory(d / "EMPTY");  // no MASTER: contributes nothing
  // Folder and file names match without regard to case.
  Write(d / "sub2", Portfolio({Symbol(5, "Z"), Symbol(6, "Y"), Symbol(7, "W")}));
  fs::rename(d / "sub2" / "MASTER", d / "sub2" / "master");
  const std::pair<const char*, std::string> cases[] = {
      {"x", "1 @ /"},           {"alpha", "1 @ /"},         {"ibm", "2 @ /"},
      {"IB", kNotFound},        {"intl business", "5 @ /"}, {"Y", "2 @ /SUB1/"},
      {"Z", "3 @ /SUB1/DEEP/"}, {"w", "7 @ /sub2/"},        {"V", kNotFound}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Lookup(d, text), expected) << text;

  // A search of a symbol stops after as many blanks as it has, a symbol ends at a NUL, and
  // names are compared without their blanks: {symbol field, search, matches}, named Berkshire.
  const std::string nul("AB\0CD", 5);
  const std::tuple<std::string, std::string, bool> records[] = {
      {"BRK A", "BRK", true},
      {"BRK A", "BRK B", false},
      {"BRK A", "brk a", true},
      {"BRK A", "BERKSHIRE", true},
      {"BRK A", "Berkshire ", false},
      {"BRK A", "Berk", false},
      {nul, "AB", true},
      {nul, nul, false},
      {"ABCDEFGHIJKLMNOP", "abcdefghijklmnop", true},
      {"ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNO", false}};
  MasterRecord record;
  record.SetNameField("Berkshire");
  for (const auto& [symbol, text, matches] : records) {
    record.SetSymbolField(symbol);
    EXPECT_EQ(RecordMatches(record, text), matches) << symbol << " / " << text;
  }
  record.SetNameField("           <DIR>");  // after a blank first character: an ordinary record
  EXPECT_FALSE(record.IsSubdirectory());
}

TEST(FindSymbol, HostileTreesAreWalkedSafely) {
  TempDir tmp;
  // Entries that leave the tree or loop back are not followed.
  Write(tmp.path(), Portfolio({Symbol(1, "OUTSIDE")}));
  const auto inner = tmp.path() / "p";
  Write(inner, Portfolio({SubdirectoryEntry(".."), SubdirectoryEntry("."),
                          SubdirectoryEntry("../p"), SubdirectoryEntry("LOOP")}));
  fs::create_directory_symlink(".", inner / "LOOP");
  EXPECT_EQ(Lookup(inner, "OUTSIDE"), kNotFound);

  // Nesting is bounded only by the system's path length: 60 levels of long names are
  // searched to the bottom.
  fs::path dir = tmp.path() / "deep";
  for (int level = 0; level < 60; ++level, dir /= "LEVEL_NN")
    Write(dir, Portfolio({SubdirectoryEntry("LEVEL_NN"),
                          Symbol(level + 1, "L" + std::to_string(level))}));
  ASSERT_GT(dir.string().size(), 540u);
  EXPECT_EQ(Lookup(tmp.path() / "deep", "L59").substr(0, 3), "60 ");

  // A MASTER counting more records than it holds ends its level, subdirectories too.
  PortfolioSpec truncated = Portfolio({Symbol(1, "A"), SubdirectoryEntry("SUB"), Symbol(2, "B")});
  truncated.headerRecordCount = 5;
  Write(tmp.path() / "t", truncated);
  Write(tmp.path() / "t" / "SUB", Portfolio({Symbol(3, "C")}));
  EXPECT_EQ(Lookup(tmp.path() / "t", "B"), "2 @ /");
  EXPECT_EQ(Lookup(tmp.path() / "t", "C"), kNotFound);

  // A missing or damaged top MASTER finds nothing.
  EXPECT_EQ(Lookup(tmp.path() / "nowhere", "A"), kNotFound);
  truncated.headerRecordCount = 0xFFFF;  // stored as -1
  Write(tmp.path() / "t", truncated);
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(tmp.str() + "/t/MASTER", master), kDamagedFile);
  EXPECT_EQ(Lookup(tmp.path() / "t", "A"), kNotFound);
  WriteFileBytes(tmp.path() / "t" / "MASTER", {1, 0, 1, 0});
  EXPECT_EQ(ReadMasterFile(tmp.str() + "/t/MASTER", master), kFileRead);
}

// Programs leave unused space past the counted records as zero bytes; anything else there
// (or too few records) means the file is not what its header says.
TEST(ReadMasterFile, ZeroRecordsPastTheCountAreUnusedSpace) {
  const struct {
    const char* what;
    Bytes tail;  // appended after a MASTER of two records
    int headerCount;
    bool matches;
    std::size_t trailing;
    std::size_t records = 2;
  } cases[] = {
      {"nothing past the count", {}, 2, true, 0},
      {"one zero record", Bytes(53, 0), 2, true, 1},
      {"two zero records and a piece", Bytes(53 * 2 + 20, 0), 2, true, 2},
      {"a record with one byte set", Put(Bytes(53, 0), 40, "X"), 2, false, 1},
      {"a trailing piece with a byte set", Bytes(52, 1), 2, true, 0},
      {"fewer records than counted", {}, 3, false, 0},
      {"a count far past the file", {}, 32767, false, 0},
      // Read in more than one step: 300 counted, 298 of them blank.
      {"more counted records than one read takes", Bytes(53 * 298, 0), 300, true, 0, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    PortfolioSpec plan = Portfolio({Symbol(1, "A"), Symbol(2, "B")});
    plan.headerRecordCount = c.headerCount;
    Write(tmp.path(), plan);
    Bytes bytes = ReadFileBytes(tmp.path() / "MASTER");
    bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
    WriteFileBytes(tmp.path() / "MASTER", bytes);
    MasterFile master;
    ASSERT_EQ(ReadMasterFile(tmp.str() + "/MASTER", master), kOk);
    EXPECT_EQ(std::tuple(master.RecordsMatchCount(), master.trailingRecords, master.records.size()),
              std::tuple(c.matches, c.trailing, c.records));
  }
}

}  // namespace
}  // namespace voltrim::testing
