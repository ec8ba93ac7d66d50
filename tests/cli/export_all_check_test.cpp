#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <random>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// What --all prints is each series' own export with its symbol in front, checked in the
// export tests for the wide, demonstration and real folders; here: the options and exits.
TEST(ExportAll, OptionsAndUsage) {
  TempDir dir;
  Write(dir.path(), Portfolio({Symbol(1, "AAA", "", 2), Symbol(2, "B,B", "", 1)}));
  auto result = RunCli({"export", dir.str(), "--all", "--omit", "open,high,low,vol,oi",
                        "--newest-first", "--delimiter", "comma", "--title"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out,
            "SYMBOL,DATE,CLOSE\r\nAAA,01/04/00,11.2500\r\nAAA,01/03/00,10.2500\r\n"
            "B,B,01/03/00,10.2500\r\n");
  result = RunCli({"export", dir.str(), "--all", "--format", "csv", "--omit", "open,high,low"});
  EXPECT_EQ(result.out,
            "symbol,date,time,close,volume,openint\nAAA,2000-01-03,,10.25,1000,\n"
            "AAA,2000-01-04,,11.25,1001,\n\"B,B\",2000-01-03,,10.25,1000,\n");
  result = RunCli({"export", dir.str(), "AAA", "--format", "csv", "--omit", "vol,oi"});
  EXPECT_EQ(result.out,
            "date,time,open,high,low,close\n2000-01-03,,10,10.5,9.5,10.25\n"
            "2000-01-04,,11,11.5,10.5,11.25\n");
  EXPECT_EQ(RunCli({"export", dir.str(), "AAA", "--all"}).exitCode, 2);
  EXPECT_EQ(RunCli({"export", dir.str()}).exitCode, 2);
  EXPECT_EQ(RunCli({"export", dir.str(), "--all", "--format", "xml"}).exitCode, 2);
  EXPECT_EQ(
      RunCli({"export", dir.str(), "--all", "--format", "csv", "--delimiter", "tab"}).exitCode, 2);

  // The file is replaced once complete, and a series that fails is left out and named.
  fs::resize_file(dir.path() / "F2.DAT", 30);
  const std::string out = (dir.path() / "all.txt").string();
  result = RunCli({"export", dir.str(), "--all", "-o", out});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "B,B (F2.DAT) skipped: a file cannot be read\n");
  EXPECT_EQ(ReadText(out),
            "AAA 01/03/00 10.0000 10.5000 9.5000 10.2500 1000.00 N/A\r\n"
            "AAA 01/04/00 11.0000 11.5000 10.5000 11.2500 1001.00 N/A\r\n");
  fs::remove(dir.path() / "MASTER");
  result = RunCli({"export", dir.str(), "--all"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, "No MASTER file in " + dir.str() + "\n");
}

// Every stored value comes back from pandas as the same single, dates as datetimes; with
// Debian's interpreter, the one python3-pandas installs for.
TEST(ExportCsv, PandasReadsBackEveryStoredValue) {
  const std::string python = "/usr/bin/python3";
  if (std::system((python + " -c 'import pandas' >/dev/null 2>&1").c_str()) != 0)
    GTEST_SKIP() << "python3-pandas is not installed";
  TempDir dir;
  std::mt19937 random(11);
  std::uniform_real_distribution<float> price(0.0f, 5000.0f);
  std::exponential_distribution<float> size(1e-6f);
  SeriesSpec daily = MakeDailySeries(1, "DAILY", "", {});
  SeriesSpec intraday = MakeDailySeries(2, "MINUTE", "", {});
  intraday.periodicity = 'I';
  intraday.fields = {Field::Date, Field::Time,  Field::Open, Field::High,
                     Field::Low,  Field::Close, Field::Vol,  Field::Oi};
  DayNumber day = YmdToDay(1999, 12, 30);
  for (int i = 0; i < 3000; ++i, day = NextWeekday(day)) {
    daily.records.push_back({DayToDateValue(day), price(random), price(random), price(random),
                             i == 0 ? 0.0001f : price(random), std::floor(size(random))});
    intraday.records.push_back({DayToDateValue(day), static_cast<float>(93000 + i % 30 * 100),
                                price(random), price(random), price(random), price(random),
                                size(random), size(random)});
  }
  Write(dir.path(), Portfolio({SeriesEntry(daily), SeriesEntry(intraday)}));
  const std::string csv = (dir.path() / "all.csv").string();
  ASSERT_EQ(RunCli({"export", dir.str(), "--all", "--format", "csv", "-o", csv}).exitCode, 0);

  // One line a row: symbol, date and time as numbers, each value's bits ("-" for none).
  WriteText(dir.path() / "read.py",
            "import sys, struct, pandas\n"
            "df = pandas.read_csv(sys.argv[1], parse_dates=['date'])\n"
            "assert df['date'].dtype.kind == 'M', df['date'].dtype\n"
            "bits = lambda v: '-' if pandas.isna(v) else str(struct.unpack('<I', "
            "struct.pack('<f', v))[0])\n"
            "for r in df.itertuples():\n"
            "    time = '-' if pandas.isna(r.time) else str(int(r.time.replace(':', '')))\n"
            "    print(r.symbol, r.date.strftime('%Y%m%d'), time, *map(bits, (r.open, r.high, "
            "r.low, r.close, r.volume, r.openint)))\n");
  const std::string listing = (dir.path() / "values.txt").string();
  ASSERT_EQ(
      std::system(
          (python + " '" + dir.str() + "/read.py' '" + csv + "' > '" + listing + "'").c_str()),
      0);
  std::string expected;
  for (const SeriesSpec* series : {&daily, &intraday}) {
    const bool timed = series == &intraday;
    for (const RawRecord& record : series->records) {
      expected += series->symbol + " " + std::to_string(static_cast<int>(record[0]) + 19000000) +
                  " " + (timed ? std::to_string(static_cast<int>(record[1])) : "-");
      for (std::size_t next = timed ? 2 : 1; next < (timed ? 8u : 7u); ++next)
        expected +=
            " " + (next < record.size() ? std::to_string(std::bit_cast<std::uint32_t>(record[next]))
                                        : std::string("-"));
      expected += "\n";
    }
  }
  EXPECT_EQ(ReadText(listing), expected);
}

TEST(CheckCommand, ReportsFindingsAndExitsOneOnlyWhenSomethingIsWrong) {
  TempDir dir;
  Write(dir.path(), Portfolio({Symbol(1, "AAA", "", 3), Symbol(2, "BBB", "", 2)}));
  const Snapshot before = TakeSnapshot(dir.path());
  auto result = RunCli({"check", dir.str()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "No problems found; 2 series, 5 quotes checked\n");

  fs::remove(dir.path() / "F2.DAT");
  result = RunCli({"check", dir.str()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "BBB\tF2.DAT\t\tmissing-file\tthe data file is not there\n");
  EXPECT_EQ(result.err, "1 problem found; 1 series, 3 quotes checked\n");
  EXPECT_EQ(TakeSnapshot(dir.path()).size(), before.size() - 1);  // nothing written
}

}  // namespace
}  // namespace voltrim::testing
