// Filling the quotes grid with the longest series the browser holds, against one plain
// ReadSeries of the same quotes in the same process.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench_common.h"
#include "browser/browser.h"
#include "datafiles/format/series.h"
#include "settings/settings_store.h"

namespace {

using namespace voltrim;

constexpr int kQuotes = 32766;

// One portfolio with one long daily series, written once per process under /tmp.
struct Fixture {
  Fixture() {
    bench::WriteOneDailySeries(drive, "LONG", bench::LongDailyQuotes(kQuotes));
    settings.OpenRoot(root.str() + "/Voltrim.conf");
    settings.SetInt("Search", "Limit", 0);
  }

  bench::ScratchFolder root{"voltrim-bench-quotes"};
  std::string drive = root.str() + "/drive";
  SettingsStore settings;
  bench::BenchPrompt prompt;
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

// One read of the whole series; false when it fails.
bool ReadOnce(const Fixture& f, SeriesBuffer& buffer) {
  if (ReadSeries(buffer, f.drive, "LONG", 0, kQuotes) != kOk || buffer.Count() != kQuotes)
    return false;
  benchmark::DoNotOptimize(buffer.DateAt(kQuotes - 1));
  return true;
}

void BM_ReadSeries(benchmark::State& state) {
  Fixture& f = TheFixture();
  SeriesBuffer buffer(kQuotes);
  for (auto _ : state) {
    if (!ReadOnce(f, buffer)) {
      state.SkipWithError("read failed");
      break;
    }
  }
}

// Notes when the first screenful of rows is ready to show.
class FirstRowsClock : public BrowserObserver {
 public:
  void QuotesPartlyLoaded(int) override { ready = std::chrono::steady_clock::now(); }
  std::chrono::steady_clock::time_point ready;
};

// The browser of the fixture's drive, its quotes grid filled by FillOnce.
struct FilledBrowser {
  explicit FilledBrowser(Fixture& f)
      : browser(f.settings, f.prompt,
                BrowserPlatform{[&f] { return std::vector<std::string>{f.drive}; },
                                [&f] { return f.drive; }}) {
    browser.ChooseInitialDrive();
    browser.SetObserver(&clock);
  }
  // The whole fill, then the cell texts of the first screenful, as a view would show them;
  // false when the fill is incomplete.
  bool FillOnce() {
    const auto start = std::chrono::steady_clock::now();
    browser.FillQuotesGrid(0);
    firstRowsMs += std::chrono::duration<double, std::milli>(clock.ready - start).count();
    const QuoteTable& quotes = browser.State().quotes;
    if (quotes.RowCount() != kQuotes) return false;
    for (int row = 0; row < 40; ++row) {
      for (int column = 0; column < kQuoteColumnCount; ++column) {
        benchmark::DoNotOptimize(quotes.CellText(row, column));
      }
    }
    return true;
  }
  Browser browser;
  FirstRowsClock clock;
  double firstRowsMs = 0;
};

void BM_FillQuotesGrid(benchmark::State& state) {
  FilledBrowser filled(TheFixture());
  for (auto _ : state) {
    if (!filled.FillOnce()) {
      state.SkipWithError("fill incomplete");
      break;
    }
  }
  state.counters["first_30_rows_ms"] =
      filled.firstRowsMs /
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
}

// The fill and the read taking turns within each iteration (in either order), each timed
// apart, so that both meet the same moments of a shared machine.
void BM_FillAndReadInTurn(benchmark::State& state) {
  Fixture& f = TheFixture();
  FilledBrowser filled(f);
  SeriesBuffer buffer(kQuotes);
  bench::PathTimes fill, read;
  bench::TakeTurns turns;
  const auto fillOnce = [&] {
    fill.Time([&] {
      if (!filled.FillOnce()) state.SkipWithError("fill incomplete");
    });
  };
  const auto readOnce = [&] {
    read.Time([&] {
      if (!ReadOnce(f, buffer)) state.SkipWithError("read failed");
    });
  };
  for (auto _ : state) turns(fillOnce, readOnce);
  fill.Report(state, "fill");
  read.Report(state, "read");
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
BENCHMARK(BM_FillAndReadInTurn)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(
      argc, argv,
      {{"quotes fill / ReadSeries", "BM_FillAndReadInTurn#fill", "BM_FillAndReadInTurn#read"},
       {"formatting every cell up front / ReadSeries", "BM_FormatAllCells", "BM_ReadSeries"}});
}
