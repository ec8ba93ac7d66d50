// Split search over a full portfolio (255 series of 8,000 quotes) against reading the same
// series with ReadSeries alone; prints how much the search costs over the reading, and what
// the Split Search window's way through it (the feed that batches what it shows) adds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/series.h"
#include "splitsearch/search_feed.h"
#include "splitsearch/split_search.h"

namespace {

using namespace voltrim;

constexpr int kSeries = 255;
constexpr int kQuotes = 8000;

struct Portfolio {
  bench::ScratchFolder dir;
  std::vector<std::string> symbols;

  Portfolio() {
    PortfolioSpec plan;
    std::srand(7);
    const DayNumber first = DateFloatToDay(900102.0f);
    for (int s = 1; s <= kSeries; ++s) {
      std::vector<DailyQuote> quotes;
      float close = 50.0f;
      for (int i = 0; i < kQuotes; ++i) {
        close *= 1.0f + static_cast<float>(std::rand() % 200 - 100) / 5000.0f;
        if (i % 2500 == 1000) close /= 2.0f;  // an unrecorded split now and then
        quotes.push_back({static_cast<DayNumber>(first + i), close, close * 1.01f, close * 0.99f,
                          close, 1000.0f + static_cast<float>(i)});
      }
      char symbol[8];
      std::snprintf(symbol, sizeof symbol, "S%d", s);
      symbols.emplace_back(symbol);
      plan.entries.push_back({false, MakeDailySeries(s, symbols.back(), "SERIES", quotes), {}});
    }
    if (WritePortfolio(dir.str(), plan) != kOk) std::abort();
  }
};

Portfolio& Data() {
  static Portfolio portfolio;
  return portfolio;
}

void BM_ReadSeriesOnly(benchmark::State& state) {
  Portfolio& data = Data();
  SeriesBuffer buffer(kQuotes);
  for (auto _ : state) {
    for (const std::string& symbol : data.symbols) {
      if (ReadSeries(buffer, data.dir.str(), symbol, 0, kQuotes) != kOk) std::abort();
      benchmark::DoNotOptimize(buffer.ValueAt(Field::Close, kQuotes - 1));
    }
  }
}
BENCHMARK(BM_ReadSeriesOnly)->Unit(benchmark::kMillisecond);

// The search's reads alone (a located series read in 400-quote windows sharing one quote),
// to tell the cost of windowed reading from the cost of the pair tests.
void BM_WindowedReadsOnly(benchmark::State& state) {
  Portfolio& data = Data();
  SeriesBuffer buffer(kSplitSearchWindow);
  for (auto _ : state) {
    for (const std::string& symbol : data.symbols) {
      SeriesLocation location;
      SeriesReader reader;
      if (LocateSeries(data.dir.str(), symbol, location) != kOk) std::abort();
      if (reader.Open(location) != kOk) std::abort();
      const int total = reader.Total();
      for (int first = 0; first + 1 < total; first += kSplitSearchWindow - 1) {
        const int count = std::min(total - first, kSplitSearchWindow);
        if (reader.Read(buffer, first, count) != kOk) std::abort();
        benchmark::DoNotOptimize(buffer.ValueAt(Field::Close, count - 1));
      }
    }
  }
}
BENCHMARK(BM_WindowedReadsOnly)->Unit(benchmark::kMillisecond);

void CoreSearch(const Portfolio& data) {
  bench::BenchPrompt prompt;
  SplitSearchResults results;
  const SplitSearchRun run = RunSplitSearch(data.dir.str(), data.symbols, results, prompt);
  if (run.outcome != SplitSearchOutcome::Finished || run.candidatesFound == 0) std::abort();
  benchmark::DoNotOptimize(results.Lines().size());
}

void BM_SplitSearch(benchmark::State& state) {
  const Portfolio& data = Data();
  for (auto _ : state) CoreSearch(data);
}
BENCHMARK(BM_SplitSearch)->Unit(benchmark::kMillisecond);

// The window's search: the same core call through the window's feed and prompt, each batch's
// lines copied from the results as the window lists them. What is left of the window's cost
// is the painting of each batch, at most once per 40 ms.
void WindowSearch(const Portfolio& data) {
  bench::BenchPrompt shown;
  SplitSearchResults results;
  std::vector<std::string> listed;
  std::string status;
  SearchFeed feed([&](const SearchFeedBatch& batch) {
    const auto first = results.Lines().begin() + static_cast<std::ptrdiff_t>(listed.size());
    listed.insert(listed.end(), first,
                  first + static_cast<std::ptrdiff_t>(batch.candidates.size()));
    if (!batch.status.empty()) status = batch.status;
  });
  FeedPrompt prompt(shown, feed);
  const SplitSearchRun run =
      RunSplitSearch(data.dir.str(), data.symbols, results, prompt,
                     [&](const SplitCandidate& candidate) { feed.Candidate(candidate); });
  feed.Flush();
  if (run.outcome != SplitSearchOutcome::Finished || listed.size() != results.Lines().size() ||
      status != "Done search")
    std::abort();
  benchmark::DoNotOptimize(listed.size());
}

// The window's path against the core search, the two taking turns within each iteration
// (in either order) and timed apart: a few per cent are all the window may add, less than
// the machine's drift between two benchmarks timed one after the other.
void BM_WindowAndCoreInTurn(benchmark::State& state) {
  const Portfolio& data = Data();
  bench::PathTimes window, core;
  bench::TakeTurns turns;
  for (auto _ : state) {
    turns([&] { window.Time([&] { WindowSearch(data); }); },
          [&] { core.Time([&] { CoreSearch(data); }); });
  }
  window.Report(state, "window");
  core.Report(state, "core");
}
BENCHMARK(BM_WindowAndCoreInTurn)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  Data();  // write the portfolio before any timing
  return bench::RunWithRatios(
      argc, argv,
      {{"split search / ReadSeries of whole series", "BM_SplitSearch", "BM_ReadSeriesOnly"},
       {"split search / its own windowed reads", "BM_SplitSearch", "BM_WindowedReadsOnly"},
       {"Split Search window's search path / core search", "BM_WindowAndCoreInTurn#window",
        "BM_WindowAndCoreInTurn#core"}});
}
