#include <gtest/gtest.h>
#include <sys/stat.h>

#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// EMASTER beside MASTER, and XMASTER listing the series numbered from 256.
TEST(CompanionFiles, RealFilesDecideTheLayouts) {
  TempDir temp;
  const fs::path equis = CopyRealFolder("equis-small", temp.path());
  if (equis.empty()) GTEST_SKIP() << "no shared data";
  const EmasterEntry djx = EmasterEntryAt(equis, 0);
  FoundSymbol found;
  ASSERT_EQ(FindSymbol(equis.string(), ".DJX", found), kOk);
  // The dates IEEE there, MBF in MASTER.
  EXPECT_EQ(std::tuple(djx.fileNumber, djx.fieldCount, djx.symbol, djx.name, djx.longName,
                       djx.firstDate, djx.lastDate),
            std::tuple(1, 7, ".DJX", "1/100 Dow Jones", "1/100 Dow Jones INDU",
                       found.record.FirstDate(), found.record.LastDate()));
  EXPECT_EQ(EmasterStateIn(equis.string()), EmasterState::kMirrors);
  EXPECT_EQ(EmasterStateIn(CopyRealFolder("bbfinance", temp.path()).string()),
            EmasterState::kOutOfStep);
  XmasterFile xmaster;
  ASSERT_EQ(ReadXmasterFile(equis.string(), xmaster), kOk);
  ASSERT_EQ(xmaster.records.size(), 2u);
  const XmasterRecord& n225 = xmaster.records[1];
  // The first date in each record is that of the MWD file's first quote.
  EXPECT_EQ(std::tuple(n225.symbol, n225.name, n225.fileNumber, n225.fieldCount, n225.periodicity,
                       n225.firstDate, xmaster.records[0].firstDate),
            std::tuple(".N225", "NIKKEI 225 INDEX", 2853, 7, 'D', 19820104, 19961231));
  // The quotes' dates of both, and of a MASTER series (found first, read as before).
  std::vector<std::vector<DayNumber>> dates;
  for (const char* symbol : {"AZM.L", ".n225", ".DJX"}) {
    dates.emplace_back();
    for (const Quote& quote : ReadQuotes(equis.string(), symbol))
      dates.back().push_back(quote.date);
  }
  EXPECT_EQ(dates,
            (std::vector<std::vector<DayNumber>>{
                {Day(1996, 12, 31)}, {Day(1982, 1, 4), Day(1982, 1, 5)}, {Day(1997, 9, 23)}}));
  // The MASTER-only lookup the writes use does not see them.
  SeriesLocation location;
  EXPECT_EQ(LocateSeries(equis.string(), "AZM.L", location), kFileNotFound);
}

// Damaged companion files are refused, or read as far as they go, and left alone by writes.
TEST(CompanionFiles, DamagedOnesAreRefusedOrReadAsFarAsTheyGo) {
  EmasterImage image;
  Bytes negative(kEmasterRecordSize, 0);
  negative[1] = 0x80;
  EXPECT_EQ(ParseEmasterBytes(negative.data(), 100, image), kDamagedFile);
  EXPECT_EQ(ParseEmasterBytes(negative.data(), negative.size(), image), kDamagedFile);
  // A broken XMASTER lists nothing and does not stand in the way of a copy.
  TempDir temp;
  const std::string p = Write(temp.path() / "p", Portfolio({Symbol(1, "X256"), Symbol(2, "B")}));
  Write(temp.path() / "q", Portfolio({Symbol(1, "D1")}));
  WriteText(temp.path() / "q" / "XMASTER", "broken file\n");
  XmasterFile xmaster;
  EXPECT_EQ(ReadXmasterFile(temp.str() + "/q", xmaster), kDamagedFile);
  EXPECT_EQ(MoveOrCopySymbol(p, "X256", temp.str() + "/q", false), kSymbolAdded);
  // An EMASTER counting more records than it holds mirrors nothing: a write leaves it as it was.
  Bytes overCount = BuildEmasterBytes(ReadFileBytes(p + "/MASTER"));
  overCount.resize(EmasterImage::Offset(1));
  WriteFileBytes(p + "/EMASTER", overCount);
  EXPECT_EQ(EmasterStateIn(p), EmasterState::kOutOfStep);
  EXPECT_EQ(DeleteSymbol(p, "X256"), kOk);
  EXPECT_EQ(ReadFileBytes(p + "/EMASTER"), overCount);
  // A count far above the file: the records that are there.
  Bytes bytes = BuildXmasterBytes({{300, "ONE", "ONE"}, {301, "TWO", "TWO"}}, 65535);
  bytes.resize(bytes.size() - 10);
  ASSERT_EQ(ParseXmasterBytes(bytes.data(), bytes.size(), xmaster), kOk);
  EXPECT_EQ(xmaster.countedRecords, 65535);
  ASSERT_EQ(xmaster.records.size(), 1u);
  EXPECT_EQ(xmaster.records[0].symbol, "ONE");
  // A series whose field mask names no field, or more than a record holds, is refused.
  Bytes none = BuildXmasterBytes({{256, "NONE", "NONE"}});
  none[kXmasterRecordSize + xmaster_offset::kFieldMask] = 0;
  WriteFileBytes(p + "/XMASTER", none);
  WriteFileBytes(p + "/F256.MWD", Bytes(8, 0));
  SeriesLocation location;
  EXPECT_EQ(LocateAnySeries(p, "NONE", location), kDamagedFile);
}

// Writes to the real folder's XMASTER, decoded here from its bytes, not through the code
// under test: a 150-byte header (record count at 10 and again at 14, the next file number at
// 18, 16 bits each) and 150-byte records: symbol at 1 (15 bytes), name at 16 (46), file
// number at 65 (16 bits), first date at 108 and last date at 116 (32-bit YYYYMMDD). .N225
// is F2853.MWD with quotes of 01/04/82 and 01/05/82; AZM.L is F256.MWD with one quote.
TEST(XmasterWrites, ChangeTheRealFolderFieldByFieldAndKeepTheOldOne) {
  TempDir temp;
  if (CopyRealFolder("equis-small", temp.path()).empty()) GTEST_SKIP() << "no data";
  using Change = std::function<Bytes(const Bytes&)>;
  const auto date = [](int record, std::size_t at, std::uint32_t value) -> Change {
    return [=](const Bytes& b) { return PutNumber(b, X(record, at), value, 4); };
  };
  const auto deleteQuote = [](const char* symbol, DayNumber day) {
    return [=](const std::string& dir) {
      return RewriteSeries(Edit(edit_kind::kDelete, day, day), dir, symbol);
    };
  };
  // As long as the fields hold before their NUL (one more is refused: the refusals' table).
  const std::string symbol(14, 'S'), name(45, 'N');
  const struct {
    const char* what;
    std::function<Status(const std::string&)> write;
    Change xmaster;
    const char* shorter;  // the MWD that lost one 28-byte record (its bytes: the DAT tests')
    bool deletesAzm = false;
  } cases[] = {
      {".N225's first quote", deleteQuote(".N225", Day(1982, 1, 4)), date(1, 108, 19820105),
       "F2853.MWD"},
      {".N225's last quote", deleteQuote(".N225", Day(1982, 1, 5)), date(1, 116, 19820104),
       "F2853.MWD"},
      // Both dates name the one quote left, as MASTER's do.
      {"AZM.L's only quote", deleteQuote("AZM.L", Day(1996, 12, 31)),
       [=](const Bytes& b) { return date(0, 108, 19961231)(date(0, 116, 19961231)(b)); },
       "F256.MWD"},
      {"rename", [=](auto dir) { return RenameXmasterRecord(dir, 1, symbol, name); },
       [=](const Bytes& b) { return Put(Put(b, X(1, 1), symbol + '\0'), X(1, 16), name + '\0'); },
       nullptr},
      // The record after it moves up; the next number is never handed back.
      {"delete AZM.L", [](auto dir) { return DeleteXmasterSymbol(dir, "AZM.L"); },
       [](const Bytes& b) {
         Bytes header = PutNumber(PutNumber(Bytes(b.begin(), b.begin() + 150), 10, 1, 2), 14, 1, 2);
         header.insert(header.end(), b.begin() + 300, b.begin() + 450);
         return header;
       },
       nullptr, true},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path into = temp.path() / std::to_string(n++);
    fs::create_directories(into);
    const fs::path dir = CopyRealFolder("equis-small", into);
    if (c.deletesAzm) {  // its data file goes with its DOP file and backup
      WriteFileBytes(dir / "F256.DOP", {1});
      WriteFileBytes(dir / "F256.BAK", {2});
    }
    const Snapshot before = TakeSnapshot(dir);
    ASSERT_EQ(c.write(dir.string()), kOk);
    EXPECT_EQ(ReadFileBytes(dir / "XMASTER"), c.xmaster(before.at("XMASTER")));
    EXPECT_EQ(ReadFileBytes(dir / "XMASTER.BAK"), before.at("XMASTER"));
    if (c.shorter) {
      EXPECT_EQ(ReadFileBytes(dir / c.shorter).size(), before.at(c.shorter).size() - 28);
    }
    for (const char* gone : {"F256.MWD", "F256.DOP", "F256.BAK"})
      EXPECT_FALSE(c.deletesAzm && fs::exists(dir / gone)) << gone;
    EXPECT_TRUE(fs::exists(dir / "F2853.MWD"));
  }
  EXPECT_EQ(ReadQuotes((temp.path() / "3" / "equis-small").string(), symbol).size(),
            2u);  // renamed
}

// The listing read once resolves names as ResolveInDirectory does, also names whose
// characters sort between the upper- and lower-case letters or above ASCII, and a read
// gives the path Resolve gives, found or not.
TEST(FolderNamesTest, ResolvesAsTheLookupOfEachName) {
  TempDir temp;
  for (const char* name : {"F1.DAT", "f1.dat", "f2.dop", "Master", "x_y", "X[Y", "xz", "\xE9t\xE9"})
    WriteText(temp.path() / name, "x");
  const FolderNames names(temp.str());
  for (const char* name : {"F1.DAT", "f1.dat", "F1.dat", "F2.DOP", "f2.dop", "MASTER", "F3.DOP",
                           "X_Y", "x[y", "XZ", "x`y", "\xE9T\xE9", "\xC9T\xC9"}) {
    SCOPED_TRACE(name);
    const std::string resolved = names.Resolve(name);
    EXPECT_EQ(resolved, ResolveInDirectory(temp.str(), name));
    EXPECT_EQ(fs::path(resolved).parent_path(), temp.path());
    std::vector<std::uint8_t> bytes;
    bool cut = false;
    std::string path;
    const Status read = names.ReadFile(name, 16, bytes, cut, true, nullptr, &path);
    EXPECT_EQ(path, resolved);
    EXPECT_EQ(read == kOk, fs::exists(resolved));
  }
  EXPECT_EQ(fs::path(names.Resolve("F2.DOP")).filename(), "f2.dop");
  EXPECT_EQ(fs::path(names.Resolve("F3.DOP")).filename(), "F3.DOP");
  EXPECT_EQ(fs::path(names.Resolve("f1.dat")).filename(), "f1.dat");
  EXPECT_EQ(fs::path(names.Resolve("X_y")).filename(), "x_y");
  EXPECT_EQ(fs::path(names.Resolve("x[Y")).filename(), "X[Y");
}

// A read gives a file whole, or its first maxBytes bytes and cut, at every size around the
// first read's buffer, through a link too; a FIFO is refused without waiting for a writer.
TEST(FolderNamesTest, ReadsEverySizeWholeOrCut) {
  TempDir temp;
  const std::vector<std::size_t> sizes = {0, 1, 8191, 8192, 8193, 100000};
  const auto content = [](std::size_t size) {
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char>(i * 7 % 251);
    return text;
  };
  for (const std::size_t size : sizes) WriteText(temp.path() / std::to_string(size), content(size));
  fs::create_symlink(temp.path() / "100000", temp.path() / "link");
  ASSERT_EQ(::mkfifo((temp.path() / "fifo").c_str(), 0600), 0);
  const FolderNames names(temp.str());
  // A fresh buffer reads unmeasured; one that held a large file measures the file first.
  for (const std::size_t reserved : {std::size_t{0}, std::size_t{1} << 20}) {
    for (const std::size_t size : sizes) {
      for (const std::size_t maxBytes : {size + 1, size, size - 1}) {
        if (maxBytes > size + 1) continue;  // size 0 has no byte less
        SCOPED_TRACE(std::to_string(size) + " at most " + std::to_string(maxBytes) + ", room " +
                     std::to_string(reserved));
        std::vector<std::uint8_t> bytes;
        bytes.reserve(reserved);
        bool cut = false;
        ASSERT_EQ(names.ReadFile(std::to_string(size), maxBytes, bytes, cut), kOk);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content(std::min(size, maxBytes)));
        EXPECT_EQ(cut, size > maxBytes);
      }
    }
  }
  std::vector<std::uint8_t> bytes;
  bool cut = false;
  ASSERT_EQ(names.ReadFile("link", 1 << 20, bytes, cut), kOk);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), content(100000));
  EXPECT_EQ(names.ReadFile("fifo", 1 << 20, bytes, cut), kFileOpen);
}

}  // namespace
}  // namespace voltrim::testing
