// Filling the quotes grid with the longest series the browser holds, against one plain
// ReadSeries of the same quotes in the same process.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "browser/browser.h"
#include "datafiles/portfolio_builder.h"
#include "datafiles/series.h"
#include "prompt/user_prompt.h"
#include "settings/settings_store.h"

namespace {

using namespace voltrim;

constexpr int kQuotes = 32766;

class SilentPrompt : public UserPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&) override { return false; }
  void Beep(BeepKind) override {}
  void BeginWait() override {}
  void EndWait() override {}
  void ScanProgress(const std::string&, int) override {}
  void FillProgress(int, int) override {}
  void StatusText(const std::string&) override {}
};

// One portfolio with one long daily series, written once per process under /tmp.
struct Fixture {
  Fixture() {
    char pattern[] = "/tmp/voltrim-bench-quotes-XXXXXX";
    root = mkdtemp(pattern);
    drive = root + "/drive";
    std::vector<DailyQuote> quotes;
    DayNumber day = ParseUserDate("01/03/00");
    for (int i = 0; i < kQuotes; ++i) {
      const float price = 20.0f + static_cast<float>(i % 500) / 16.0f;
      quotes.push_back(
          {day, price, price + 0.5f, price - 0.5f, price + 0.25f, static_cast<float>(10000 + i)});
      day = NextWeekday(day);
    }
    PortfolioSpec plan;
    PortfolioSpec::Entry entry;
    entry.series = MakeDailySeries(1, "LONG", "LONG SERIES", quotes);
    plan.entries.push_back(entry);
    if (WritePortfolio(drive, plan) != kOk) std::fprintf(stderr, "cannot write the series\n");
    settings.OpenRoot(root + "/Voltrim.conf");
    settings.SetInt("Search", "Limit", 0);
  }
  ~Fixture() { std::filesystem::remove_all(root); }

  std::string root;
  std::string drive;
  SettingsStore settings;
  SilentPrompt prompt;
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_ReadSeries(benchmark::State& state) {
  Fixture& f = TheFixture();
  SeriesBuffer buffer;
  AllocSeriesBuffer(buffer, kQuotes);
  for (auto _ : state) {
    if (ReadSeries(buffer, f.drive, "LONG", 0, kQuotes) != kOk || buffer.Count() != kQuotes) {
      state.SkipWithError("read failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.DateAt(kQuotes - 1));
  }
  FreeSeriesBuffer(buffer);
}

// Notes when the first screenful of rows is ready to show.
class FirstRowsClock : public BrowserObserver {
 public:
  void QuotesPartlyLoaded(int) override { ready = std::chrono::steady_clock::now(); }
  std::chrono::steady_clock::time_point ready;
};

// The whole fill, then the cell texts of the first screenful, as a view would show them.
void BM_FillQuotesGrid(benchmark::State& state) {
  Fixture& f = TheFixture();
  Browser browser(
      f.settings, f.prompt,
      BrowserPlatform{[&] { return std::vector<std::string>{f.drive}; }, [&] { return f.drive; }});
  browser.ChooseInitialDrive();
  FirstRowsClock clock;
  browser.SetObserver(&clock);
  double firstRowsMs = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    browser.FillQuotesGrid(0);
    firstRowsMs += std::chrono::duration<double, std::milli>(clock.ready - start).count();
    const QuoteTable& quotes = browser.State().quotes;
    if (quotes.RowCount() != kQuotes) {
      state.SkipWithError("fill incomplete");
      break;
    }
    for (int row = 0; row < 40; ++row) {
      for (int column = 0; column < kQuoteColumnCount; ++column) {
        benchmark::DoNotOptimize(quotes.CellText(row, column));
      }
    }
  }
  state.counters["first_30_rows_ms"] =
      firstRowsMs / static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

// What formatting every cell up front would cost, for comparison.
void BM_FormatAllCells(benchmark::State& state) {
  Fixture& f = TheFixture();
  Browser browser(
      f.settings, f.prompt,
      BrowserPlatform{[&] { return std::vector<std::string>{f.drive}; }, [&] { return f.drive; }});
  browser.ChooseInitialDrive();
  const QuoteTable& quotes = browser.State().quotes;
  for (auto _ : state) {
    for (int row = 0; row < quotes.RowCount(); ++row) {
      for (int column = 0; column < kQuoteColumnCount; ++column) {
        benchmark::DoNotOptimize(quotes.CellText(row, column));
      }
    }
  }
}

BENCHMARK(BM_ReadSeries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillQuotesGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatAllCells)->Unit(benchmark::kMillisecond);

// Prints fill / read from the runs' mean times.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const double perIteration = run.GetAdjustedRealTime();
      const double cpu = run.GetAdjustedCPUTime();
      if (run.benchmark_name() == "BM_ReadSeries") read_ = perIteration, readCpu_ = cpu;
      if (run.benchmark_name() == "BM_FillQuotesGrid") fill_ = perIteration, fillCpu_ = cpu;
      if (run.benchmark_name() == "BM_FormatAllCells") format_ = perIteration;
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (read_ > 0) {
      std::printf("fill / read ratio: %.2f wall, %.2f CPU (aim: within 5)\n", fill_ / read_,
                  fillCpu_ / readCpu_);
      std::printf("formatting every cell up front would add: %.2f x the read\n", format_ / read_);
    }
  }

 private:
  double read_ = 0;
  double fill_ = 0;
  double format_ = 0;
  double readCpu_ = 0;
  double fillCpu_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
