#include <gtest/gtest.h>

#include "datafiles/write/new_files.h"
#include "datafiles/write/symbol_files.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// Beside a new folder, an empty one and one holding only the EMASTER an interrupted creation
// left become portfolios (the refusals are the write commands' table).
TEST(NewFiles, AnEmptyFolderOrAnInterruptedCreationBecomesAPortfolio) {
  TempDir temp;
  for (const bool interrupted : {false, true}) {
    const fs::path dir = temp.path() / (interrupted ? "interrupted" : "empty");
    fs::create_directory(dir);
    if (interrupted) WriteFileBytes(dir / "EMASTER", Bytes(192, 0));
    ASSERT_EQ(CreatePortfolio(dir.string()), kOk) << dir;
    EXPECT_EQ(ReadFileBytes(dir / "MASTER"), Bytes(53, 0));
    EXPECT_EQ(ReadFileBytes(dir / "EMASTER"), Bytes(192, 0));
  }
}

// The columns of each kind of new series (the write commands' row makes seven daily ones).
TEST(NewFiles, ANewSeriesHasItsColumnsAndNoQuote) {
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
  TempDir temp;
  const std::string dir = temp.str();
  ASSERT_EQ(CreatePortfolio(dir), kOk);
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.columns);
    int number = 0;
    ASSERT_EQ(
        CreateSeries(dir, NewSeries{"S" + std::to_string(++n), "", c.columns, c.intraday}, &number),
        kSymbolAdded);
    EXPECT_EQ(number, n);
    EXPECT_EQ(ReadText(temp.path() / ("F" + std::to_string(n) + ".DOP")), c.dop);
    const std::size_t fields = static_cast<std::size_t>(c.columns + (c.intraday ? 1 : 0));
    Bytes header(4 * fields, 0);
    header[2] = 1;
    EXPECT_EQ(ReadFileBytes(temp.path() / ("F" + std::to_string(n) + ".DAT")), header);
    const Bytes record = MasterRecordBytes(ReadFileBytes(temp.path() / "MASTER"), n - 1);
    EXPECT_EQ((std::array<std::size_t, 3>{record[3], record[4], record[33]}),
              (std::array<std::size_t, 3>{4 * fields, fields,
                                          c.intraday ? std::size_t{'I'} : std::size_t{'D'}}));
  }
  EmasterImage emaster;
  ASSERT_EQ(ReadEmasterImage(dir + "/EMASTER", emaster), kOk);
  EXPECT_EQ(DecodeEmasterRecord(emaster.Record(2)).periodicity, 'I');
  EXPECT_EQ(DecodeEmasterRecord(emaster.Record(2)).fieldCount, 8);
}

// The lowest number no record uses, passing over a data file that holds quotes.
TEST(NewFiles, TheNewSeriesTakesTheLowestFreeNumber) {
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
  TempDir temp;
  int i = 0;
  for (const auto& c : cases) {
    const std::string dir = Write(temp.path() / std::to_string(i++), numbers(c.used));
    if (c.extra) c.extra(dir);
    int number = 0;
    EXPECT_EQ(CreateSeries(dir, NewSeries{"NEW", "", 6, false}, &number), kSymbolAdded);
    EXPECT_EQ(number, c.expected) << c.what;
  }
  // The data file with quotes is still there.
  EXPECT_EQ(ReadFileBytes(temp.path() / "2" / "f3.dat"), BuildDatBytes(AcmeSeries()));
}

}  // namespace
}  // namespace voltrim::testing
