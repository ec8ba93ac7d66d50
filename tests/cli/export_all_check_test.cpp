#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <random>
#include <sstream>

#include "cli_run.h"
#include "datafiles/format/xmaster.h"
#include "export/portfolio_series.h"
#include "support/export_text.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The symbol column of each series record (MASTER's, then XMASTER's), as the symbols grid
// shows it without a name's padding; read from the index files directly, as a folder whose grid
// fails is still exported.
std::vector<std::string> GridSymbols(const std::string& dir) {
  std::vector<ListedSeries> listed;
  EXPECT_EQ(ListPortfolioSeries(dir, listed), kOk);
  std::vector<std::string> symbols;
  for (const ListedSeries& entry : listed) symbols.push_back(entry.symbolText);
  return symbols;
}

// Names the first line that differs, rather than printing megabytes.
std::string FirstDifference(const std::string& actual, const std::string& expected) {
  const std::vector<std::string> a = Lines(actual);
  const std::vector<std::string> e = Lines(expected);
  for (std::size_t i = 0; i < std::min(a.size(), e.size()); ++i) {
    if (a[i] != e[i]) return "line " + std::to_string(i + 1) + ": " + a[i] + " vs " + e[i];
  }
  return std::to_string(a.size()) + " lines vs " + std::to_string(e.size());
}

// The single-series export as `export DIR SYMBOL --delimiter tab` writes it (in process:
// hundreds of series would otherwise be hundreds of program starts), or false when the
// series cannot be read.
bool SingleExport(const std::string& dir, const std::string& symbol, std::string& text) {
  SeriesBuffer buffer(1);
  SeriesLocation location;
  const bool readable =
      LocateAnySeries(dir, symbol, location) == kOk && ReadSeriesAt(buffer, location, 0, 0) == kOk;
  const int count = buffer.Total();
  if (!readable) return false;
  ExportSettings settings;
  settings.delimiter = 2;
  text = ExportText(dir, symbol, count, settings);
  return true;
}

// What --all must print: each readable series' own export, every line led by its symbol.
std::string ConcatenatedExports(const std::string& dir, std::string& skipped) {
  std::string expected = "SYMBOL\tDATE\tOPEN\tHIGH\tLOW\tCLOSE\tVOL\tOI\r\n";
  for (const std::string& symbol : GridSymbols(dir)) {
    std::string one;
    if (!SingleExport(dir, symbol, one)) {
      skipped += symbol + " ";
      continue;
    }
    for (std::size_t at = 0; at < one.size();) {
      const std::size_t end = one.find('\n', at) + 1;
      expected += symbol + "\t" + one.substr(at, end - at);
      at = end;
    }
  }
  return expected;
}

void ExpectAllEqualsSingleExports(const std::string& dir) {
  SCOPED_TRACE(dir);
  std::string skipped;
  const std::string expected = ConcatenatedExports(dir, skipped);
  const auto all = RunCli({"export", dir, "--all", "--delimiter", "tab", "--title"});
  EXPECT_TRUE(all.out == expected) << FirstDifference(all.out, expected);
  EXPECT_EQ(all.exitCode, skipped.empty() ? 0 : 1) << all.err;
  EXPECT_EQ(Lines(all.err).size(),
            static_cast<std::size_t>(std::count(skipped.begin(), skipped.end(), ' ')))
      << all.err << "\nskipped: " << skipped;
  const auto csv = RunCli({"export", dir, "--all", "--format", "csv"});
  EXPECT_EQ(csv.exitCode, all.exitCode) << csv.err;
  EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
            "symbol,date,time,open,high,low,close,volume,openint");
  EXPECT_EQ(csv.out.find('\r'), std::string::npos);
}

TEST(ExportAll, EqualsTheSingleSeriesExportsWithTheSymbolInFront) {
  TempDir root;
  ASSERT_EQ(RunCli({"sample", root.str()}).exitCode, 0);
  for (const char* name : {"Stocks", "Futures", "Legacy"}) {
    ExpectAllEqualsSingleExports((root.path() / name).string());
  }
  const fs::path shared = SharedDataDir();
  if (shared.empty() || !fs::exists(shared)) return;
  for (const auto& entry : fs::directory_iterator(shared)) {
    if (entry.is_directory()) ExpectAllEqualsSingleExports(entry.path().string());
  }
}

TEST(ExportAll, OptionsAndUsage) {
  TempDir dir;
  Write(dir.path(), Portfolio({Symbol(1, "AAA", "", 2), Symbol(2, "B,B", "", 1)}));
  auto result = RunCli({"export", dir.str(), "--all", "--omit", "open,high,low,vol,oi",
                        "--newest-first", "--delimiter", "comma"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "AAA,01/04/00,11.2500\r\nAAA,01/03/00,10.2500\r\nB,B,01/03/00,10.2500\r\n");
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

// Debian's interpreter, the one python3-pandas installs for (a python3 earlier on PATH,
// from pyenv say, may not see it).
constexpr char kPython[] = "/usr/bin/python3";

bool HavePandas() {
  return std::system((std::string(kPython) + " -c 'import pandas' >/dev/null 2>&1").c_str()) == 0;
}

// Every stored value comes back from pandas as the same single, dates as datetimes.
TEST(ExportCsv, PandasReadsBackEveryStoredValue) {
  if (!HavePandas()) GTEST_SKIP() << "python3-pandas is not installed";
  TempDir dir;
  std::mt19937 random(11);
  std::uniform_real_distribution<float> price(0.0f, 5000.0f);
  std::exponential_distribution<float> size(1e-6f);
  SeriesSpec daily;
  daily.fileNumber = 1;
  daily.symbol = "DAILY";
  daily.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close, Field::Vol};
  SeriesSpec intraday;
  intraday.fileNumber = 2;
  intraday.symbol = "MINUTE";
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
  PortfolioSpec plan;
  plan.entries = {SeriesEntry(daily), SeriesEntry(intraday)};
  ASSERT_EQ(WritePortfolio(dir.str(), plan), kOk);
  const std::string csv = (dir.path() / "all.csv").string();
  ASSERT_EQ(RunCli({"export", dir.str(), "--all", "--format", "csv", "-o", csv}).exitCode, 0);

  const std::string script = (dir.path() / "read.py").string();
  WriteText(script,
            "import sys, struct, pandas\n"
            "df = pandas.read_csv(sys.argv[1], parse_dates=['date'])\n"
            "assert df['date'].dtype.kind == 'M', df['date'].dtype\n"
            "for r in df.itertuples():\n"
            "    cells = [r.symbol, r.date.strftime('%Y%m%d'), '' if pandas.isna(r.time) else "
            "r.time]\n"
            "    for v in (r.open, r.high, r.low, r.close, r.volume, r.openint):\n"
            "        cells.append('-' if pandas.isna(v) else "
            "str(struct.unpack('<I', struct.pack('<f', v))[0]))\n"
            "    print(' '.join(cells))\n");
  const std::string listing = (dir.path() / "values.txt").string();
  ASSERT_EQ(
      std::system(
          (std::string(kPython) + " '" + script + "' '" + csv + "' > '" + listing + "'").c_str()),
      0);
  const std::vector<std::string> rows = Lines(ReadText(listing));
  ASSERT_EQ(rows.size(), 6000u);

  const auto expect = [](const SeriesSpec& series, const RawRecord& record, bool time) {
    std::string line =
        series.symbol + " " + std::to_string(static_cast<int>(record[0]) + 19000000) + " ";
    std::size_t next = 1;
    if (time) {
      char text[16];
      const int t = static_cast<int>(record[next++]);
      std::snprintf(text, sizeof text, "%02d:%02d:%02d", t / 10000, t / 100 % 100, t % 100);
      line += text;
    }
    for (int column = 0; column < 6; ++column) {
      line += " ";
      line +=
          next < record.size() ? std::to_string(std::bit_cast<std::uint32_t>(record[next++])) : "-";
    }
    return line;
  };
  for (std::size_t i = 0; i < 3000; ++i) {
    ASSERT_EQ(rows[i], expect(daily, daily.records[i], false));
    ASSERT_EQ(rows[3000 + i], expect(intraday, intraday.records[i], true));
  }
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

  const fs::path mininge = SharedDataDir() / "mininge";
  if (!fs::exists(mininge)) return;
  result = RunCli({"check", mininge.string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("\tdate-order\t"), std::string::npos);
  EXPECT_NE(result.out.find("\tMASTER\t\tmaster-count\t"), std::string::npos);
}

}  // namespace
}  // namespace voltrim::testing
