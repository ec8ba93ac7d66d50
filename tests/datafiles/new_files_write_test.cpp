#include <gtest/gtest.h>

#include "datafiles/io/change_journal.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/symbol_files.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

class NewFilesTest : public ::testing::Test {
 protected:
  fs::path P(const std::string& rel) const { return temp_.path() / rel; }
  std::string S(const std::string& rel) const { return P(rel).string(); }
  Bytes Read(const std::string& rel) const { return ReadFileBytes(P(rel)); }
  TempDir temp_;
};

// The missing parents too; beside MASTER and EMASTER (their bytes in the table below), only
// the undo journal of the change.
TEST_F(NewFilesTest, ANewPortfolioMakesItsParentsAndNoOtherFile) {
  ASSERT_EQ(CreatePortfolio(S("a/b/c/")), kOk);
  Snapshot files = TakeSnapshot(P("a"));
  EXPECT_EQ(files.erase(std::string("b/c/") + kJournalName), 1u);
  EXPECT_EQ(files.size(), 2u);
}

// Only a new or empty folder becomes a portfolio; a refusal changes nothing.
TEST_F(NewFilesTest, OnlyANewOrEmptyFolderBecomesAPortfolio) {
  const struct {
    const char* what;
    std::function<void(const fs::path&)> make;
    Status expected;
  } cases[] = {
      {"an empty folder", [](const fs::path& d) { fs::create_directory(d); }, kOk},
      {"the EMASTER an interrupted creation left",
       [](const fs::path& d) {
         fs::create_directory(d);
         WriteFileBytes(d / "EMASTER", Bytes(192, 0));
       },
       kOk},
      {"a MASTER in lower case",
       [](const fs::path& d) {
         fs::create_directory(d);
         WriteFileBytes(d / "master", Bytes(53, 0));
       },
       kPortfolioThere},
      {"an EMASTER that lists a series",
       [](const fs::path& d) {
         fs::create_directory(d);
         WriteFileBytes(d / "EMASTER",
                        BuildEmasterBytes(BuildMasterBytes(Portfolio({Symbol(1, "A")}))));
       },
       kFolderNotEmpty},
      {"a file of another kind",
       [](const fs::path& d) {
         fs::create_directory(d);
         WriteText(d / "notes.txt", "mine");
       },
       kFolderNotEmpty},
      {"a file, not a folder", [](const fs::path& d) { WriteText(d, "x"); }, kNotAFolder},
  };
  int i = 0;
  for (const auto& c : cases) {
    const fs::path dir = P("case" + std::to_string(i++));
    c.make(dir);
    const Snapshot before = TakeSnapshot(temp_.path());
    EXPECT_EQ(CreatePortfolio(dir.string()), c.expected) << c.what;
    if (c.expected == kOk) {
      EXPECT_EQ(ReadFileBytes(dir / "MASTER"), Bytes(53, 0)) << c.what;
      EXPECT_EQ(ReadFileBytes(dir / "EMASTER"), Bytes(192, 0)) << c.what;
    } else {
      EXPECT_EQ(TakeSnapshot(temp_.path()), before) << c.what;
    }
  }
}

// Columns, DOP lines, record and MASTER bytes of new series.
TEST_F(NewFilesTest, ANewSeriesHasItsColumnsAndNoQuote) {
  const struct {
    int columns;
    bool intraday;
    const char* dop;
  } cases[] = {
      {5, false, "\"DATE\",0,0\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n\"VOL\",0,0\r\n"},
      {6, false,
       "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n"
       "\"VOL\",0,0\r\n"},
      {7, true,
       "\"DATE\",0,0\r\n\"TIME\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n"
       "\"CLOSE\",2,2\r\n\"VOL\",0,0\r\n\"OI\",0,0\r\n"},
  };
  const std::string dir = S("p");
  ASSERT_EQ(CreatePortfolio(dir), kOk);
  int n = 0;
  for (const auto& c : cases) {
    ++n;
    const std::string symbol = "sym" + std::to_string(n);
    int number = 0;
    ASSERT_EQ(CreateSeries(dir, NewSeries{symbol, "A NAME", c.columns, c.intraday}, &number),
              kSymbolAdded);
    EXPECT_EQ(number, n);
    const std::string dop = c.dop;
    EXPECT_EQ(Read("p/F" + std::to_string(n) + ".DOP"), Bytes(dop.begin(), dop.end()));
    const int fields = c.columns + (c.intraday ? 1 : 0);
    Bytes header(4 * static_cast<std::size_t>(fields), 0);
    header[2] = 1;
    EXPECT_EQ(Read("p/F" + std::to_string(n) + ".DAT"), header);

    Bytes record(53, 0);
    record[0] = static_cast<unsigned char>(n);
    record[1] = 0x65;
    record[3] = static_cast<unsigned char>(4 * fields);
    record[4] = static_cast<unsigned char>(fields);
    const std::string name = "A NAME          ";
    const std::string padded = symbol + std::string(16 - symbol.size(), ' ');
    std::copy(name.begin(), name.end(), record.begin() + 7);
    record[33] = c.intraday ? 'I' : 'D';
    std::copy(padded.begin(), padded.end(), record.begin() + 36);
    EXPECT_EQ(MasterRecordBytes(Read("p/MASTER"), n - 1), record) << c.columns;
  }
  const Bytes master = Read("p/MASTER");
  EXPECT_EQ(MasterHeaderField(master, 0), 3);
  EXPECT_EQ(MasterHeaderField(master, 2), 3);
  EXPECT_EQ(EmasterStateIn(dir), EmasterState::kMirrors);
  EmasterImage emaster;
  ASSERT_EQ(ReadEmasterImage(S("p/EMASTER"), emaster), kOk);
  EXPECT_EQ(DecodeEmasterRecord(emaster.Record(2)).periodicity, 'I');
  EXPECT_EQ(DecodeEmasterRecord(emaster.Record(2)).fieldCount, 8);
}

// The lowest number no record uses, passing over a data file that holds quotes.
TEST_F(NewFilesTest, TheNewSeriesTakesTheLowestFreeNumber) {
  const auto numbers = [](std::vector<int> used) {
    PortfolioSpec plan;
    for (const int n : used) plan.entries.push_back(Symbol(n, "S" + std::to_string(n)));
    return plan;
  };
  const struct {
    const char* what;
    std::vector<int> used;
    std::function<void(const fs::path&)> extra;
    int expected;
  } cases[] = {
      {"a gap", {4, 1, 2}, nullptr, 3},
      {"no gap", {1, 2, 3, 4, 5}, nullptr, 6},
      {"an unnamed data file with quotes",
       {1, 2, 4},
       [](const fs::path& d) { WriteFileBytes(d / "f3.dat", BuildDatBytes(AcmeSeries())); },
       5},
      {"an unnamed data file without quotes, as a crash leaves it",
       {1, 2, 4},
       [](const fs::path& d) {
         WriteFileBytes(d / "F3.DAT", Bytes{0, 0, 1, 0});
       },
       3},
  };
  int i = 0;
  for (const auto& c : cases) {
    const std::string dir = Write(P("n" + std::to_string(i++)), numbers(c.used));
    if (c.extra) c.extra(dir);
    int number = 0;
    EXPECT_EQ(CreateSeries(dir, NewSeries{"NEW", "", 6, false}, &number), kSymbolAdded);
    EXPECT_EQ(number, c.expected) << c.what;
  }
  // The data file with quotes is still there.
  EXPECT_EQ(Read("n2/f3.dat"), BuildDatBytes(AcmeSeries()));
}

// Every refusal leaves every file as it was.
TEST_F(NewFilesTest, RefusalsChangeNothing) {
  const std::string dir =
      Write(P("p"), Portfolio({Symbol(1, "ACME", "ACME CORP"), Symbol(2, "B")}));
  WriteMirroringEmaster(dir);
  WriteFileBytes(P("p/XMASTER"), BuildXmasterBytes({{256, "WIDE", "WIDE SERIES"}}));
  const std::string full = Write(P("full"), Portfolio({Symbol(1, "A")}));
  const std::string highest = Write(P("highest"), Portfolio({Symbol(1, "A")}));
  Bytes header = ReadFileBytes(P("full/MASTER"));
  header[0] = 255;
  WriteFileBytes(P("full/MASTER"), header);
  header[0] = 1;
  header[2] = 255;
  WriteFileBytes(P("highest/MASTER"), header);
  fs::create_directory(P("none"));
  const struct {
    std::string dir;
    NewSeries series;
    int expected;
  } cases[] = {
      {dir, {"acme", "", 7, false}, kSymbolExists},
      {dir, {"Acme Corp", "", 7, false}, kSymbolExists},  // a name
      {dir, {"wide", "", 7, false}, kSymbolExists},       // XMASTER's
      {full, {"NEW", "", 7, false}, kPortfolioFull},
      {highest, {"NEW", "", 7, false}, kPortfolioFull},
      {dir, {"", "", 7, false}, kBadRequest},
      {dir, {"SEVENTEEN-CHARSXX", "", 7, false}, kBadRequest},
      {dir, {"NEW", "SEVENTEEN-CHARSXX", 7, false}, kBadRequest},
      {dir, {"NEW", "", 8, false}, kBadRequest},
      {S("none"), {"NEW", "", 7, false}, kFileNotFound},
  };
  const Snapshot before = TakeSnapshot(temp_.path());
  for (const auto& c : cases) {
    EXPECT_EQ(CreateSeries(c.dir, c.series), c.expected) << c.series.symbol;
    EXPECT_EQ(TakeSnapshot(temp_.path()), before) << c.series.symbol;
  }
}

}  // namespace
}  // namespace voltrim::testing
