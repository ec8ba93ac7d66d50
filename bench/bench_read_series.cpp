// ReadSeries of a 32,766-quote series, all at once and in windows of 400, next to a raw
// read of the same bytes.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/series.h"

namespace {

constexpr int kQuotes = 32766;
constexpr int kWindow = 400;
constexpr std::size_t kRecordLength = 24;

struct Fixture {
  voltrim::bench::ScratchFolder folder{"voltrim-bench-read-series"};
  std::string dir = folder.str();
  std::string datPath;

  Fixture() {
    std::vector<voltrim::DailyQuote> quotes;
    voltrim::DayNumber day = voltrim::NextWeekday(3000);
    for (int i = 0; i < kQuotes; ++i) {
      const float close = 20.0f + static_cast<float>(i % 500) * 0.125f;
      quotes.push_back(
          {day, close, close + 1.0f, close - 1.0f, close, 1.0e5f + static_cast<float>(i)});
      day = voltrim::NextWeekday(day);
    }
    voltrim::bench::WriteOneDailySeries(dir, "BIG", quotes);
    datPath = dir + "/F1.DAT";
  }
};

const Fixture& Data() {
  static const Fixture fixture;
  return fixture;
}

// Reads count records from quote start with one open, seek and read, as plainly as it gets.
void RawRead(const std::string& path, long start, std::size_t count,
             std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  bytes.resize(count * kRecordLength);
  std::fseek(file, (start + 1) * static_cast<long>(kRecordLength), SEEK_SET);
  benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
}

void RawAll(benchmark::State& state) {
  std::vector<unsigned char> bytes;
  for (auto _ : state) RawRead(Data().datPath, 0, kQuotes, bytes);
}
BENCHMARK(RawAll);

void ReadSeriesAll(benchmark::State& state) {
  voltrim::SeriesBuffer buffer;
  voltrim::AllocSeriesBuffer(buffer, kQuotes);
  for (auto _ : state) {
    if (voltrim::ReadSeries(buffer, Data().dir, "BIG", 0, kQuotes) != voltrim::kOk ||
        buffer.Count() != kQuotes)
      state.SkipWithError("read failed");
    benchmark::DoNotOptimize(buffer.ValueAt(voltrim::Field::Close, kQuotes - 1));
  }
}
BENCHMARK(ReadSeriesAll);

// The same read followed by what a grid fill does: every date and every close looked at.
void ReadSeriesAllAndVisit(benchmark::State& state) {
  voltrim::SeriesBuffer buffer;
  voltrim::AllocSeriesBuffer(buffer, kQuotes);
  for (auto _ : state) {
    if (voltrim::ReadSeries(buffer, Data().dir, "BIG", 0, kQuotes) != voltrim::kOk)
      state.SkipWithError("read failed");
    unsigned sum = 0;
    float close = 0.0f;
    for (int i = 0; i < buffer.Count(); ++i) {
      sum += buffer.DateAt(i);
      close += buffer.ValueAt(voltrim::Field::Close, i);
    }
    benchmark::DoNotOptimize(sum);
    benchmark::DoNotOptimize(close);
  }
}
BENCHMARK(ReadSeriesAllAndVisit);

// Every window of 400 from the newest back, as the browser pages through a series.
void RawWindows400(benchmark::State& state) {
  std::vector<unsigned char> bytes;
  for (auto _ : state)
    for (long start = kQuotes - kWindow; start >= 0; start -= kWindow)
      RawRead(Data().datPath, start, kWindow, bytes);
}
BENCHMARK(RawWindows400);

void ReadSeriesWindows400(benchmark::State& state) {
  voltrim::SeriesBuffer buffer;
  voltrim::AllocSeriesBuffer(buffer, kWindow);
  for (auto _ : state)
    for (int start = kQuotes - kWindow; start >= 0; start -= kWindow)
      if (voltrim::ReadSeries(buffer, Data().dir, "BIG", start, kWindow) != voltrim::kOk)
        state.SkipWithError("read failed");
}
BENCHMARK(ReadSeriesWindows400);

}  // namespace

int main(int argc, char** argv) {
  Data();  // write the portfolio before any timing
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"ReadSeries of all quotes / raw read", "ReadSeriesAll", "RawAll"},
       {"ReadSeries of all quotes, every value visited / raw read", "ReadSeriesAllAndVisit",
        "RawAll"},
       {"ReadSeries in windows of 400 / raw reads of the same windows", "ReadSeriesWindows400",
        "RawWindows400"}});
}
