#include <gtest/gtest.h>

#include <clocale>

#include "datafiles/format/intraday.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/repair_master.h"
#include "datafiles/write/symbol_files.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// Series numbered as given, named prefix + number, each of a different length.
PortfolioSpec WithNumbers(const std::vector<int>& numbers, const std::string& prefix = "S") {
  PortfolioSpec plan;
  for (int n : numbers)
    plan.entries.push_back(Symbol(n, prefix + std::to_string(n), "A NAME", 3 + n));
  return plan;
}

// What the rows of the write commands do not show: a record sharing a file number with
// the one deleted keeps its files, and a copy takes the lowest free number below the highest.
TEST(SymbolFiles, DeleteKeepsSharedFilesAndACopyFillsAGap) {
  TempDir temp;
  // Two records named DUP (numbers 2 and 3) and a record OTHER sharing number 2.
  const std::string dir =
      Write(temp.path() / "p",
            Portfolio({Symbol(2, "DUP", "", 5), Symbol(3, "DUP", "", 6), Symbol(2, "OTHER")}));
  ASSERT_EQ(DeleteSymbol(dir, "DUP"), kOk);
  EXPECT_EQ(std::tuple(Number(ReadFileBytes(temp.path() / "p" / "MASTER"), 0, 2),
                       fs::exists(temp.path() / "p" / "F2.DAT"),
                       fs::exists(temp.path() / "p" / "F3.DAT")),
            std::tuple(1, true, false));

  const std::string dst = Write(temp.path() / "q", WithNumbers({5, 1, 2, 4}, "D"));
  ASSERT_EQ(MoveOrCopySymbol(dir, " other ", dst, false), kSymbolAdded);
  const Bytes master = ReadFileBytes(temp.path() / "q" / "MASTER");
  EXPECT_EQ(MasterRecordBytes(master, 4),
            PutNumber(MasterRecordBytes(ReadFileBytes(temp.path() / "p" / "MASTER"), 0), 0, 3, 1));
  EXPECT_EQ(Number(master, 2, 2), 6);
  EXPECT_EQ(ReadFileBytes(temp.path() / "q" / "F3.DAT"),
            ReadFileBytes(temp.path() / "p" / "F2.DAT"));
}

// A move looks its symbol up upper-cased by ASCII, whatever the locale: under tr_TR the C
// library leaves 'i' as it is, and the refusal would name another text than the one stored.
TEST(SymbolFiles, TheSearchTextIsUpperCasedAlikeInEveryLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "tr_TR.UTF-8") == nullptr) GTEST_SKIP() << "no tr_TR locale";
  const std::string text = SymbolSearchText(" ibm\t");
  std::setlocale(LC_ALL, before.c_str());
  EXPECT_EQ(text, "IBM");
}

TEST(RepairMaster, FillsEmptySymbolsFromNamesAndCopiesEverythingElse) {
  TempDir temp;
  const std::string dir = Write(
      temp.path() / "p",
      Portfolio({Symbol(1, "AAA", "ALPHA"), Symbol(7, "BBB", "BETA"), SubdirectoryEntry("SUB")}));
  const std::string master = dir + "/MASTER";
  const std::string acme = "ACME CORP       ";
  Bytes damaged = Put(Put(ReadFileBytes(master), M(0, 7), acme), M(0, 36), std::string(16, ' '));
  damaged = Put(Put(damaged, M(1, 7), std::string_view("NUL\0NAME        ", 16)), M(1, 36),
                "\xC4"
                "BBB           x");
  // A record beyond the header's count is no record and is not repaired.
  damaged.insert(damaged.end(), 53, 0);
  damaged[53 * 4 + 36] = ' ';
  WriteFileBytes(master, damaged);
  WriteFileBytes(dir + "/MASTER.BAK", {9, 9});

  bool needs = false;
  ASSERT_EQ(MasterNeedsRepair(master, needs), kOk);
  EXPECT_TRUE(needs);
  ASSERT_EQ(RepairMaster(master), kOk);
  // A subdirectory entry with a blank symbol counts as empty like any other record.
  const Bytes expected =
      Put(Put(Put(damaged, M(0, 36), acme), M(1, 36),
              std::string_view("NUL\0\0\0\0\0\0\0\0\0\0\0\0\0", 16)),
          M(2, 36), std::string(damaged.begin() + M(2, 7), damaged.begin() + M(2, 23)));
  EXPECT_EQ(ReadFileBytes(master), expected);  // header and the tail beyond the count byte for byte
  // The temporary took MASTER's place: no MASTER.bak of any case remains.
  EXPECT_FALSE(fs::exists(dir + "/MASTER.BAK") || fs::exists(dir + "/MASTER.bak"));
  ASSERT_EQ(MasterNeedsRepair(master, needs), kOk);
  EXPECT_FALSE(needs);
}

// Beside a new folder, an empty one and one holding only the EMASTER an interrupted creation
// left become portfolios (the refusals are the write commands' table). The columns of each
// kind of new series (the write commands' row makes seven daily ones).
TEST(NewFiles, APortfolioInAnEmptyFolderAndANewSeriesOfEachKind) {
  TempDir temp;
  for (const bool interrupted : {true, false}) {
    const fs::path dir = temp.path() / (interrupted ? "interrupted" : "empty");
    fs::create_directory(dir);
    if (interrupted) WriteFileBytes(dir / "EMASTER", Bytes(192, 0));
    ASSERT_EQ(CreatePortfolio(dir.string()), kOk) << dir;
    EXPECT_EQ(std::tuple(ReadFileBytes(dir / "MASTER"), ReadFileBytes(dir / "EMASTER")),
              std::tuple(Bytes(53, 0), Bytes(192, 0)));
  }
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
  const fs::path empty = temp.path() / "empty";  // a portfolio now
  const std::string dir = empty.string();
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.columns);
    int number = 0;
    ASSERT_EQ(
        CreateSeries(dir, NewSeries{"S" + std::to_string(++n), "", c.columns, c.intraday}, &number),
        kSymbolAdded);
    EXPECT_EQ(number, n);
    EXPECT_EQ(ReadText(empty / ("F" + std::to_string(n) + ".DOP")), c.dop);
    const std::size_t fields = static_cast<std::size_t>(c.columns + (c.intraday ? 1 : 0));
    Bytes header(4 * fields, 0);
    header[2] = 1;
    EXPECT_EQ(ReadFileBytes(empty / ("F" + std::to_string(n) + ".DAT")), header);
    const Bytes record = MasterRecordBytes(ReadFileBytes(empty / "MASTER"), n - 1);
    EXPECT_EQ((std::array<std::size_t, 3>{record[3], record[4], record[33]}),
              (std::array<std::size_t, 3>{4 * fields, fields,
                                          c.intraday ? std::size_t{'I'} : std::size_t{'D'}}));
  }
  const EmasterEntry third = EmasterEntryAt(empty, 2);
  EXPECT_EQ(std::tuple(third.periodicity, third.fieldCount), std::tuple('I', 8));
}

// The lowest number no record uses, passing over a data file that holds quotes.
TEST(NewFiles, TheNewSeriesTakesTheLowestFreeNumber) {
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
    const std::string dir = Write(temp.path() / std::to_string(i++), WithNumbers(c.used));
    if (c.extra) c.extra(dir);
    int number = 0;
    EXPECT_EQ(CreateSeries(dir, NewSeries{"NEW", "", 6, false}, &number), kSymbolAdded);
    EXPECT_EQ(number, c.expected) << c.what;
  }
  // The data file with quotes is still there.
  EXPECT_EQ(ReadFileBytes(temp.path() / "2" / "f3.dat"), BuildDatBytes(AcmeSeries()));
}

DayNumber Nov(int day) { return Day(2013, 11, day); }

// A bar's time moved alone, and a request by date alone, which works on the whole day (the
// write commands' rows set, add and delete one bar by its time). Each row: the request, the
// bars the file must then hold (byte for byte as a fresh portfolio of them), and how many
// quotes the rewrite reports.
TEST(Intraday, ATimeMovesAloneADayByDateIsWrittenWholeAndTheProfileCountsBars) {
  struct Case {
    const char* name;
    SeriesEdit edit;
    std::function<void(std::vector<Bar>&)> expect;
    int changed;
  };
  const SeriesEdit moved = AtTime(edit_kind::kSet, Nov(14), PackTime(9, 5, 0), PackTime(9, 7, 30));
  SeriesEdit day = Edit(edit_kind::kSet, Nov(14), Nov(14));
  const RawRecord r = BarRecord({0, 0, 99});
  day.values = {r[2], r[3], r[4], r[5], r[6], 0};
  day.fieldsToSet = 0x1F;
  const Case cases[] = {
      {"move the 09:05 bar to 09:07:30", moved, [](auto& bars) { bars[5].time = 90730; }, 1},
      {"set by date alone: every bar of the day", day,
       [](auto& bars) {
         for (int i = 4; i < 8; ++i) bars[static_cast<std::size_t>(i)].close = 99;
       },
       4},
      {"delete by date alone: the day's first bar", Edit(edit_kind::kDelete, Nov(14), Nov(14)),
       [](auto& bars) { bars.erase(bars.begin() + 4); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir, scratch;
    Write(dir.path(), BarPortfolio());
    std::vector<Bar> bars = ThreeDaysOfBars();
    c.expect(bars);
    int changed = -1;
    ASSERT_EQ(RewriteSeries(c.edit, dir.str(), "BARS", &changed), kOk);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(ReadFileBytes(dir.path() / "F1.DAT"), BarDatBytes(scratch.path(), bars));
  }

  // The profile counts bars per day and finds the most common step.
  IntradayProfile profile;
  EXPECT_EQ(profile.TimeFrameSeconds(), 0);
  const std::pair<int, int> bars[] = {{1, 1800}, {1, 2100}, {2, 1800}, {2, 2100},
                                      {2, 2400}, {2, 3000}, {3, 1800}};
  for (const auto& [day, second] : bars)
    profile.Add({static_cast<DayNumber>(day), static_cast<PackedTime>(second)});
  EXPECT_EQ(std::tuple(profile.FirstDayBars(), profile.LastDayBars(), profile.MostDayBars(),
                       profile.TimeFrameSeconds()),
            std::tuple(2, 1, 4, 300));
  for (const auto& [seconds, text] : {std::pair{300, "5 minutes"},
                                      {60, "1 minute"},
                                      {7200, "2 hours"},
                                      {90, "90 seconds"},
                                      {0, "none"}})
    EXPECT_EQ(TimeFrameText(seconds), text);
}

}  // namespace
}  // namespace voltrim::testing
