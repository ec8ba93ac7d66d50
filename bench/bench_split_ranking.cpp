// The ranked split search on real daily series: where planted splits stand in the ranked list
// and in the plain one, and how long the ranked search of a 215-series folder takes (in the
// core, the window's way through it, and voltrim-cli split-search --ranked).
//
// Planting: splits at seeded random days of random series, every quote dated before the day
// scaled as an unadjusted history is (prices by p/q, volume by q/p), through the program's own
// rewrite; the ratios are the search's eight. The folders: mininge (25 daily series of small
// mining stocks) as it is, and a folder of 215 series made of its series over again, as wide
// as the folders the ranking is meant for. The table goes to docs/benchmarks.md.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/series.h"
#include "datafiles/write/rewrite_series.h"
#include "quotes/split_adjust.h"
#include "splitsearch/portfolio_symbols.h"
#include "splitsearch/search_feed.h"
#include "splitsearch/split_ranking.h"
#include "splitsearch/split_search.h"

namespace {

using namespace voltrim;

constexpr int kPlanted = 30;
constexpr int kPlantings = 10;  // seeds 1 to 10
constexpr int kWideSeries = 215;

const std::string kMininge = std::string(VOLTRIM_SHARED_DATA_DIR) + "/mininge";

struct RealSeries {
  std::string symbol;
  std::vector<DailyQuote> quotes;
};

// Every series of a real folder with its quotes as stored (open interest left out).
std::vector<RealSeries> ReadRealFolder(const std::string& dir) {
  std::vector<std::string> symbols;
  if (ReadPortfolioSymbols(dir, symbols) != kOk) {
    std::fprintf(stderr, "cannot read %s\n", dir.c_str());
    std::exit(2);
  }
  std::vector<RealSeries> folder;
  SeriesBuffer buffer(32767);
  for (const std::string& symbol : symbols) {
    if (ReadSeries(buffer, dir, symbol, 0, -1) != kOk) continue;
    RealSeries series{symbol, {}};
    for (int i = 0; i < buffer.Count(); ++i) {
      const Quote q = buffer.At(i);
      series.quotes.push_back({q.date, q.open, q.high, q.low, q.close, q.volume});
    }
    folder.push_back(std::move(series));
  }
  return folder;
}

// The real series over again until there are count of them (symbols APX, APX.2, ...).
std::vector<RealSeries> Widened(const std::vector<RealSeries>& real, int count) {
  std::vector<RealSeries> wide;
  for (int i = 0; i < count; ++i) {
    RealSeries series = real[static_cast<std::size_t>(i) % real.size()];
    const auto round = static_cast<std::size_t>(i) / real.size();
    if (round > 0) series.symbol += "." + std::to_string(round + 1);
    wide.push_back(std::move(series));
  }
  return wide;
}

void WriteFolder(const std::string& dir, const std::vector<RealSeries>& folder) {
  PortfolioSpec plan;
  for (std::size_t i = 0; i < folder.size(); ++i)
    plan.entries.push_back({false,
                            MakeDailySeries(static_cast<int>(i) + 1, folder[i].symbol,
                                            folder[i].symbol, folder[i].quotes),
                            {}});
  if (WritePortfolio(dir, plan) != kOk) std::abort();
}

// One planted split: the line the search would list for it.
struct Plant {
  std::string line;
};

// Plants kPlanted splits in the folder at dir (holding folder's series), by seed.
std::vector<Plant> PlantSplits(const std::string& dir, const std::vector<RealSeries>& folder,
                               unsigned seed) {
  std::mt19937 random(seed);
  std::vector<Plant> planted;
  std::set<std::pair<std::size_t, DayNumber>> used;
  while (static_cast<int>(planted.size()) < kPlanted) {
    const std::size_t s = std::uniform_int_distribution<std::size_t>(0, folder.size() - 1)(random);
    const std::vector<DailyQuote>& quotes = folder[s].quotes;
    if (quotes.size() < 3) continue;
    const std::size_t i = std::uniform_int_distribution<std::size_t>(1, quotes.size() - 1)(random);
    const RatioPair ratio = kSplitRatioPairs[std::uniform_int_distribution<std::size_t>(
        0, kSplitRatioPairs.size() - 1)(random)];
    const DayNumber day = quotes[i].day;
    // A day of its own after the quote before: the step the split shows in.
    if (quotes[i - 1].day >= day || !used.insert({s, day}).second) continue;
    // Entering a split of q for p takes earlier prices by p/q, volume by q/p.
    const std::optional<SeriesEdit> edit =
        BuildSplitEdit({FormatUserDate(day), std::to_string(ratio.q), std::to_string(ratio.p)});
    if (!edit || RewriteSeries(*edit, dir, folder[s].symbol) != kOk) std::abort();
    planted.push_back({SplitCandidate{folder[s].symbol, ratio, day}.Line()});
  }
  return planted;
}

std::vector<std::string> SymbolsOf(const std::vector<RealSeries>& folder) {
  std::vector<std::string> symbols;
  for (const RealSeries& series : folder) symbols.push_back(series.symbol);
  return symbols;
}

struct Found {
  std::vector<std::string> plain;   // the search's lines in found order
  std::vector<std::string> ranked;  // the ranked lines, most likely first
};

Found SearchBothWays(const std::string& dir, const std::vector<std::string>& symbols) {
  bench::BenchPrompt prompt;
  SplitSearchResults results;
  std::vector<SplitCandidate> candidates;
  const SplitSearchRun run = RunSplitSearch(
      dir, symbols, results, prompt, [&](const SplitCandidate& c) { candidates.push_back(c); });
  Found found{results.Lines(), {}};
  for (const RankedSplit& r : RankSearchRun(dir, symbols, run, candidates))
    found.ranked.push_back(r.Line());
  return found;
}

// 1-based places of the planted lines in a list (0: not listed).
std::vector<int> PlacesOf(const std::vector<Plant>& planted, const std::vector<std::string>& list) {
  std::vector<int> places;
  for (const Plant& plant : planted) {
    const auto at = std::find(list.begin(), list.end(), plant.line);
    places.push_back(at == list.end() ? 0 : static_cast<int>(at - list.begin()) + 1);
  }
  return places;
}

struct PlantingFigures {
  int plainLines = 0, plainListed = 0, plainMedianPlace = 0;
  int rankedLines = 0, rankedListed = 0, inFirst30 = 0, inFirst100 = 0;
};

PlantingFigures Plantings(const std::vector<RealSeries>& folder, unsigned seed) {
  bench::ScratchFolder dir("voltrim-planted");
  WriteFolder(dir.str(), folder);
  const std::vector<Plant> planted = PlantSplits(dir.str(), folder, seed);
  const Found found = SearchBothWays(dir.str(), SymbolsOf(folder));
  PlantingFigures figures;
  figures.plainLines = static_cast<int>(found.plain.size());
  figures.rankedLines = static_cast<int>(found.ranked.size());
  std::vector<int> plainPlaces;
  for (int place : PlacesOf(planted, found.plain))
    if (place > 0) plainPlaces.push_back(place);
  figures.plainListed = static_cast<int>(plainPlaces.size());
  if (!plainPlaces.empty()) {
    std::sort(plainPlaces.begin(), plainPlaces.end());
    figures.plainMedianPlace = plainPlaces[plainPlaces.size() / 2];
  }
  for (int place : PlacesOf(planted, found.ranked)) {
    figures.rankedListed += place > 0;
    figures.inFirst30 += place > 0 && place <= 30;
    figures.inFirst100 += place > 0 && place <= 100;
  }
  return figures;
}

// One row per planting and the folder's fewest and mean; the aims' lines for the wide folder.
// False when a judged figure is past its aim.
bool ReportPlantings(const char* name, const std::vector<RealSeries>& folder, bool judged) {
  std::printf("\n### %s: %zu daily series, %d splits planted, seeds 1 to %d\n\n", name,
              folder.size(), kPlanted, kPlantings);
  std::printf(
      "| Seed | Plain lines | Planted in them | Their median place | Ranked lines | "
      "Planted in ranked | In first 30 | In first 100 |\n");
  std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  int fewest30 = kPlanted, fewest100 = kPlanted;
  double in30 = 0, in100 = 0;
  for (unsigned seed = 1; seed <= kPlantings; ++seed) {
    const PlantingFigures f = Plantings(folder, seed);
    std::printf("| %u | %d | %d | %d | %d | %d | %d | %d |\n", seed, f.plainLines, f.plainListed,
                f.plainMedianPlace, f.rankedLines, f.rankedListed, f.inFirst30, f.inFirst100);
    fewest30 = std::min(fewest30, f.inFirst30);
    fewest100 = std::min(fewest100, f.inFirst100);
    in30 += f.inFirst30;
    in100 += f.inFirst100;
  }
  std::printf("\nmean in first 30: %.1f, in first 100: %.1f; fewest: %d and %d\n",
              in30 / kPlantings, in100 / kPlantings, fewest30, fewest100);
  if (!judged) return true;
  const auto judge = [](const char* what, int figure, int aim) {
    std::printf("aim | bench_split_ranking | %s | count | %d | >= %d | %s\n", what, figure, aim,
                figure >= aim ? "within" : "PAST");
    return figure >= aim;
  };
  const bool first30 =
      judge("planted splits in the ranked list's first 30 (fewest of 10 plantings)", fewest30, 20);
  const bool first100 = judge(
      "planted splits in the ranked list's first 100 (fewest of 10 plantings)", fewest100, 25);
  return first30 && first100;
}

struct WideFolder {
  bench::ScratchFolder dir{"voltrim-ranking"};
  std::vector<std::string> symbols;

  WideFolder() {
    const std::vector<RealSeries> wide = Widened(ReadRealFolder(kMininge), kWideSeries);
    WriteFolder(dir.str(), wide);
    symbols = SymbolsOf(wide);
  }
};

WideFolder& Wide() {
  static WideFolder folder;
  return folder;
}

void BM_PlainSearch(benchmark::State& state) {
  const WideFolder& data = Wide();
  for (auto _ : state) {
    bench::BenchPrompt prompt;
    SplitSearchResults results;
    RunSplitSearch(data.dir.str(), data.symbols, results, prompt);
    benchmark::DoNotOptimize(results.Lines().size());
  }
}
BENCHMARK(BM_PlainSearch)->Unit(benchmark::kMillisecond);

// The CLI's and the window's way: the search with its candidates kept, then the ranking.
void BM_RankedSearch(benchmark::State& state) {
  const WideFolder& data = Wide();
  for (auto _ : state) {
    bench::BenchPrompt prompt;
    SplitSearchResults results;
    std::vector<SplitCandidate> found;
    std::string status;
    SearchFeed feed([&](const SearchFeedBatch& batch) {
      if (!batch.status.empty()) status = batch.status;
    });
    FeedPrompt feedPrompt(prompt, feed);
    const SplitSearchRun run = RunSplitSearch(data.dir.str(), data.symbols, results, feedPrompt,
                                              [&](const SplitCandidate& c) {
                                                found.push_back(c);
                                                feed.Candidate(c);
                                              });
    feed.Flush();
    const std::vector<RankedSplit> ranked = RankSearchRun(data.dir.str(), data.symbols, run, found);
    if (ranked.size() < found.size() || status != "Done search") std::abort();
    benchmark::DoNotOptimize(CountLikelySplits(ranked));
  }
}
BENCHMARK(BM_RankedSearch)->Unit(benchmark::kMillisecond);

// voltrim-cli split-search DIR --ranked, its output to /dev/null.
void BM_RankedSearchCli(benchmark::State& state) {
  const WideFolder& data = Wide();
  for (auto _ : state)
    if (!bench::RunSilenced({VOLTRIM_CLI, "split-search", data.dir.str(), "--ranked"}))
      state.SkipWithError("split-search --ranked failed");
}
BENCHMARK(BM_RankedSearchCli)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::filesystem::exists(kMininge)) {
    std::fprintf(stderr, "no real data in %s\n", kMininge.c_str());
    return 2;
  }
  // --write-folder DIR: the 215-series folder written into DIR (new), to look at it elsewhere.
  if (argc == 3 && std::string(argv[1]) == "--write-folder") {
    WriteFolder(argv[2], Widened(ReadRealFolder(kMininge), kWideSeries));
    return 0;
  }
  Wide();  // write the folder before any timing
  // The timings first (--benchmark_filter=^$ leaves them out), then the plantings, unless
  // --no-plantings.
  const auto noPlantings = std::find(argv + 1, argv + argc, std::string("--no-plantings"));
  const bool plant = noPlantings == argv + argc;
  if (!plant) std::copy(noPlantings + 1, argv + argc--, noPlantings);
  const int timed = bench::RunWithRatios(
      argc, argv, {{"ranked search / plain search", "BM_RankedSearch", "BM_PlainSearch"}});
  bool planted = true;
  if (plant) {
    const std::vector<RealSeries> real = ReadRealFolder(kMininge);
    ReportPlantings("mininge", real, false);
    planted = ReportPlantings("mininge's series over again", Widened(real, kWideSeries), true);
  }
  return timed == 0 && planted ? 0 : 1;
}
