// One new day for each of 2,846 series (255 in MASTER, 2,591 in XMASTER, the shape of a real
// modern folder) in one UpdatePortfolio, against a plain durable write of the same data
// files (each written whole to a new name, synced and renamed over, the folder synced once)
// and against importing the day series by series: as 2,846 `voltrim-cli import` commands,
// the way a script without the update does it, and as 2,846 calls in one process. Each is
// measured on a sample of 100 imports in the same MASTER-to-XMASTER proportion and scaled to
// 2,846.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/import_quotes.h"
#include "datafiles/write/update_portfolio.h"

namespace {

namespace fs = std::filesystem;
using voltrim::DayNumber;

constexpr int kMasterSeries = 255;
constexpr int kXmasterSeries = 2591;
constexpr int kSeries = kMasterSeries + kXmasterSeries;
constexpr int kQuotesEach = 250;  // about a year of days
constexpr int kSampledImports = 100;

void PutLe(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string SymbolOf(int n) {
  std::string symbol(1, n <= kMasterSeries ? 'M' : 'X');
  return symbol += std::to_string(n);
}

struct WideFolder {
  voltrim::bench::ScratchFolder folder{"voltrim-bench-update"};
  std::string dir = folder.str();
  DayNumber next = 0;  // the day the next update adds

  WideFolder() {
    std::vector<voltrim::DailyQuote> quotes = voltrim::bench::LongDailyQuotes(kQuotesEach);
    next = voltrim::NextWeekday(quotes.back().day);
    voltrim::PortfolioSpec plan;
    for (int n = 1; n <= kMasterSeries; ++n) {
      plan.entries.emplace_back();
      plan.entries.back().series = voltrim::MakeDailySeries(n, SymbolOf(n), "", quotes);
    }
    if (voltrim::WritePortfolio(dir, plan) != voltrim::kOk) std::abort();
    std::vector<std::uint8_t> xmaster(voltrim::kXmasterRecordSize, 0);
    PutLe(xmaster, voltrim::xmaster_offset::kRecordCount, kXmasterSeries, 2);
    PutLe(xmaster, voltrim::xmaster_offset::kRecordCountAgain, kXmasterSeries, 2);
    PutLe(xmaster, voltrim::xmaster_offset::kNextFileNumber, kSeries + 1, 2);
    const std::int32_t first = voltrim::XmasterDateOf(quotes.front().day);
    const std::int32_t last = voltrim::XmasterDateOf(quotes.back().day);
    for (int n = kMasterSeries + 1; n <= kSeries; ++n) {
      std::vector<std::uint8_t> record(voltrim::kXmasterRecordSize, 0);
      record[0] = 1;
      voltrim::PutXmasterSymbol(record.data(), SymbolOf(n));
      record[voltrim::xmaster_offset::kPeriodicity] = 'D';
      voltrim::PutXmasterFileNumber(record.data(), n);
      record[voltrim::xmaster_offset::kFieldMask] = 0x3F;
      voltrim::PutXmasterDate(record.data(), voltrim::xmaster_offset::kFirstDate, first);
      voltrim::PutXmasterDate(record.data(), voltrim::xmaster_offset::kLastDate, last);
      xmaster.insert(xmaster.end(), record.begin(), record.end());
      const auto series = voltrim::MakeDailySeries(n, SymbolOf(n), "", quotes, false);
      Put(dir + "/" + voltrim::MwdFileName(n), voltrim::BuildDatBytes(series));
    }
    Put(dir + "/XMASTER", xmaster);
    ::sync();
  }

  static void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
      std::abort();
    std::fclose(file);
  }

  // One quote of day for each series, as a source of many symbols gives it.
  voltrim::UpdateRequest DayRequest(DayNumber day) const {
    voltrim::UpdateRequest request;
    const voltrim::Ymd ymd = voltrim::DayToYmd(day);
    for (int n = 1; n <= kSeries; ++n) {
      voltrim::UpdateSeriesRequest series;
      series.symbol = SymbolOf(n);
      voltrim::ImportQuote quote;
      quote.date = static_cast<float>(ymd.year * 10000 + ymd.month * 100 + ymd.day);
      quote.values = {20, 21, 19, 20.5f, 12345, 0};
      quote.line = n + 1;
      series.quotes.push_back(quote);
      for (int f = 0; f < 7; ++f) series.given[static_cast<std::size_t>(f)] = f != 1;
      request.series.push_back(std::move(series));
    }
    return request;
  }
};

WideFolder& Data() {
  static WideFolder folder;
  return folder;
}

void BM_PlainDurableWrite(benchmark::State& state) {
  const std::string& dir = Data().dir;
  std::vector<std::string> files;
  for (int n = 1; n <= kSeries; ++n)
    files.push_back(dir + "/" +
                    (n <= kMasterSeries ? voltrim::DatFileName(n) : voltrim::MwdFileName(n)));
  std::vector<char> bytes;
  for (auto _ : state) {
    for (const std::string& file : files) {
      const int in = open(file.c_str(), O_RDONLY);
      bytes.resize(static_cast<std::size_t>(lseek(in, 0, SEEK_END)));
      benchmark::DoNotOptimize(pread(in, bytes.data(), bytes.size(), 0));
      close(in);
      const std::string tmp = file + ".TMP";
      const int out = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      benchmark::DoNotOptimize(write(out, bytes.data(), bytes.size()));
      fsync(out);
      close(out);
      std::rename(tmp.c_str(), file.c_str());
    }
    const int folder = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    fsync(folder);
    close(folder);
  }
}

// Timed by the benchmark and, for the comparison with the commands (whose CPU is theirs, not
// the benchmark's), by PathTimes as well.
void BM_UpdatePortfolio(benchmark::State& state) {
  voltrim::bench::PathTimes update;
  for (auto _ : state) {
    state.PauseTiming();
    const voltrim::UpdateRequest request = Data().DayRequest(Data().next);
    Data().next = voltrim::NextWeekday(Data().next);
    voltrim::UpdateResult result;
    state.ResumeTiming();
    update.Time([&] {
      if (voltrim::UpdatePortfolio(Data().dir, request, result) != voltrim::kOk ||
          result.updated != kSeries)
        state.SkipWithError("update failed");
    });
  }
  update.Report(state, "update");
}

bool ImportOne(const voltrim::UpdateRequest& request, int n) {
  const voltrim::UpdateSeriesRequest& series = request.series[static_cast<std::size_t>(n - 1)];
  voltrim::ImportRequest one;
  one.quotes = series.quotes;
  one.given = series.given;
  voltrim::ImportResult result;
  return voltrim::ImportQuotes(Data().dir, series.symbol, one, result) == voltrim::kOk;
}

// The series of the sample's i-th import: the first series of each index file, in the
// folder's proportion.
int SampledSeries(int i) {
  const int masterShare = kSampledImports * kMasterSeries / kSeries + 1;
  return i < masterShare ? i + 1 : kMasterSeries + 1 + (i - masterShare);
}

// The next day's request. An import removes what the change before it kept for its undo:
// after an update, 2,846 files. Of 2,846 imports one pays that, not one in each sample of
// 100, so it is paid here, untimed.
voltrim::UpdateRequest NextDay() {
  const voltrim::UpdateRequest request = Data().DayRequest(Data().next);
  Data().next = voltrim::NextWeekday(Data().next);
  ImportOne(request, kSeries);
  return request;
}

void BM_ImportSample(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const voltrim::UpdateRequest request = NextDay();
    state.ResumeTiming();
    for (int i = 0; i < kSampledImports; ++i)
      if (!ImportOne(request, SampledSeries(i))) state.SkipWithError("import failed");
  }
}

// The day's quote of series n as a text file for `import`.
std::string WriteDayFile(const voltrim::UpdateRequest& request, int n) {
  const voltrim::UpdateSeriesRequest& series = request.series[static_cast<std::size_t>(n - 1)];
  const voltrim::ImportQuote& quote = series.quotes.front();
  const auto date = static_cast<long>(quote.date);  // years since 1900, month, day
  char text[160];
  std::snprintf(text, sizeof text,
                "Date,Open,High,Low,Close,Volume,OpenInt\n%04ld-%02ld-%02ld,%g,%g,%g,%g,%g,%g\n",
                1900 + date / 10000, date / 100 % 100, date % 100, quote.values[0], quote.values[1],
                quote.values[2], quote.values[3], quote.values[4], quote.values[5]);
  const std::string path = Data().folder.str() + "-" + series.symbol + ".csv";
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr || std::fputs(text, file) < 0) std::abort();
  std::fclose(file);
  return path;
}

// `voltrim-cli import DIR SYMBOL FILE`, its summary left unread; whether it succeeded.
bool ImportCommand(const std::string& symbol, const std::string& file) {
  return voltrim::bench::RunQuietly({VOLTRIM_CLI, "import", Data().dir, symbol, file});
}

// Each command's time and CPU (its own, as the parent's waits take none) with its start.
void BM_ImportCommandSample(benchmark::State& state) {
  voltrim::bench::PathTimes commands;
  for (auto _ : state) {
    const voltrim::UpdateRequest request = NextDay();
    std::vector<std::string> files;
    for (int i = 0; i < kSampledImports; ++i)
      files.push_back(WriteDayFile(request, SampledSeries(i)));
    commands.Time([&] {
      for (int i = 0; i < kSampledImports; ++i)
        if (!ImportCommand(SymbolOf(SampledSeries(i)), files[static_cast<std::size_t>(i)]))
          state.SkipWithError("import command failed");
    });
    for (const std::string& file : files) std::remove(file.c_str());
  }
  commands.Report(state, "commands");
}

BENCHMARK(BM_PlainDurableWrite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_UpdatePortfolio)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportSample)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ImportCommandSample)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

int main(int argc, char** argv) {
  // The sample of imports is scaled to the whole folder.
  const double wholeFolder = static_cast<double>(kSeries) / kSampledImports;
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"update / plain durable write of the same files", "BM_UpdatePortfolio/iterations:3",
        "BM_PlainDurableWrite/iterations:3"},
       {"import commands for every series one by one / update",
        "BM_ImportCommandSample/iterations:2#commands", "BM_UpdatePortfolio/iterations:3#update",
        wholeFolder},
       {"imports of every series one by one in one process / update",
        "BM_ImportSample/iterations:2", "BM_UpdatePortfolio/iterations:3", wholeFolder}});
}
