// Whole-portfolio export (255 series of 8,000 quotes, text and CSV; and a folder of 255 + 2,591
// series listed in MASTER and XMASTER) against a raw read of the same data files; prints how
// much the formatting costs over the reading.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_export.h"
#include "wide_folder.h"

namespace {

using namespace voltrim;

constexpr int kSeries = 255;
constexpr int kQuotes = 8000;

struct Portfolio {
  bench::ScratchFolder dir;

  Portfolio() {
    PortfolioSpec plan;
    std::srand(7);
    const DayNumber first = DateFloatToDay(900102.0f);
    for (int s = 1; s <= kSeries; ++s) {
      std::vector<DailyQuote> quotes;
      float close = 50.0f;
      for (int i = 0; i < kQuotes; ++i) {
        close *= 1.0f + static_cast<float>(std::rand() % 200 - 100) / 5000.0f;
        quotes.push_back({static_cast<DayNumber>(first + i), close, close * 1.01f, close * 0.99f,
                          close, 1000.0f + static_cast<float>(std::rand() % 100000)});
      }
      char symbol[8];
      std::snprintf(symbol, sizeof symbol, "S%d", s);
      plan.entries.push_back({false, MakeDailySeries(s, symbol, "SERIES", quotes), {}});
    }
    if (WritePortfolio(dir.str(), plan) != kOk) std::abort();
  }
};

Portfolio& Data() {
  static Portfolio portfolio;
  return portfolio;
}

// Keeps the bytes in memory like a pipe would take them, without a disk in the measure.
class CountingSink : public TextSink {
 public:
  void Write(std::string_view text) override {
    bytes += text.size();
    benchmark::DoNotOptimize(text.data());
  }
  std::size_t bytes = 0;
};

void BM_RawReadDatFiles(benchmark::State& state) {
  const std::string dir = Data().dir.str();
  std::vector<char> bytes;
  for (auto _ : state) {
    for (int s = 1; s <= kSeries; ++s) {
      std::ifstream in(ResolveInDirectory(dir, DatFileName(s)), std::ios::binary | std::ios::ate);
      bytes.resize(static_cast<std::size_t>(in.tellg()));
      in.seekg(0);
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      benchmark::DoNotOptimize(bytes.data());
    }
  }
}
BENCHMARK(BM_RawReadDatFiles)->Unit(benchmark::kMillisecond);

void ExportFolder(benchmark::State& state, const std::string& dir, ExportFormat format) {
  ExportSettings settings;
  for (auto _ : state) {
    CountingSink sink;
    std::vector<SkippedSeries> skipped;
    if (WritePortfolioExport(sink, dir, settings, format, skipped) != kOk || !skipped.empty())
      std::abort();
    state.counters["MB"] = static_cast<double>(sink.bytes) / 1e6;
  }
}

void BM_ExportAllText(benchmark::State& state) {
  ExportFolder(state, Data().dir.str(), ExportFormat::Text);
}
BENCHMARK(BM_ExportAllText)->Unit(benchmark::kMillisecond);

void BM_ExportAllCsv(benchmark::State& state) {
  ExportFolder(state, Data().dir.str(), ExportFormat::Csv);
}
BENCHMARK(BM_ExportAllCsv)->Unit(benchmark::kMillisecond);

// 500 quotes in each series of the wide folder.
constexpr int kWideQuotes = 500;
using bench::kWideMaster;
using bench::kWideXmaster;

struct WidePortfolio {
  bench::ScratchFolder dir{"voltrim-bench-wide"};

  WidePortfolio() {
    const DayNumber first = DateFloatToDay(900102.0f);
    std::vector<DailyQuote> quotes;
    float close = 50.0f;
    for (int i = 0; i < kWideQuotes; ++i) {
      close *= 1.0f + static_cast<float>(i % 200 - 100) / 5000.0f;
      quotes.push_back({static_cast<DayNumber>(first + i), close, close * 1.01f, close * 0.99f,
                        close, 1000.0f + static_cast<float>(i)});
    }
    bench::WriteWideFolder(dir.str(), quotes);
  }
};

WidePortfolio& WideData() {
  static WidePortfolio portfolio;
  return portfolio;
}

void BM_RawReadWideFolder(benchmark::State& state) {
  const std::string dir = WideData().dir.str();
  std::vector<char> bytes;
  for (auto _ : state) {
    for (int s = 1; s < 256 + kWideXmaster; ++s) {
      std::ifstream in(ResolveInDirectory(dir, s <= kWideMaster ? DatFileName(s) : MwdFileName(s)),
                       std::ios::binary | std::ios::ate);
      bytes.resize(static_cast<std::size_t>(in.tellg()));
      in.seekg(0);
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      benchmark::DoNotOptimize(bytes.data());
    }
  }
}
BENCHMARK(BM_RawReadWideFolder)->Unit(benchmark::kMillisecond);

void BM_ExportWideText(benchmark::State& state) {
  ExportFolder(state, WideData().dir.str(), ExportFormat::Text);
}
BENCHMARK(BM_ExportWideText)->Unit(benchmark::kMillisecond);

void BM_ExportWideCsv(benchmark::State& state) {
  ExportFolder(state, WideData().dir.str(), ExportFormat::Csv);
}
BENCHMARK(BM_ExportWideCsv)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"text export --all vs raw read", "BM_ExportAllText", "BM_RawReadDatFiles"},
       {"csv export --all vs raw read", "BM_ExportAllCsv", "BM_RawReadDatFiles"},
       {"text export --all, 255 + 2,591 series, vs raw read", "BM_ExportWideText",
        "BM_RawReadWideFolder"},
       {"csv export --all, 255 + 2,591 series, vs raw read", "BM_ExportWideCsv",
        "BM_RawReadWideFolder"}});
}
