// Fifty series of a folder as wide as a real one (255 in MASTER, 2,591 in XMASTER), half of
// each index file, moved into a new portfolio: one `voltrim-cli move-symbol` naming all
// fifty against fifty commands of one symbol each, the way a script without the list does
// it; and the same in one process, one MoveOrCopySymbols against fifty MoveOrCopySymbol.
// Each run starts from a fresh copy of the folder (hard links: the writes replace files by
// rename, never in place) and a new, empty portfolio, made untimed.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/symbol_batch.h"
#include "datafiles/write/symbol_files.h"
#include "wide_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMoved = 50;

// The fifty: every tenth series of MASTER and every hundredth of XMASTER.
std::vector<std::string> MovedSymbols() {
  std::vector<std::string> symbols;
  for (int i = 0; i < kMoved / 2; ++i) {
    symbols.push_back("S" + std::to_string(10 * i + 1));
    symbols.push_back("X" + std::to_string(256 + 100 * i));
  }
  return symbols;
}

struct Folders {
  voltrim::bench::ScratchFolder scratch{"voltrim-bench-move"};
  std::string wide = scratch.str() + "/wide";
  int runs = 0;

  Folders() {
    fs::create_directories(wide);
    voltrim::bench::WriteWideFolder(wide, voltrim::bench::LongDailyQuotes(250));
    ::sync();
  }

  // A fresh source, a copy of the wide folder, and an empty destination beside it.
  std::pair<std::string, std::string> Fresh() {
    const std::string run = scratch.str() + "/run" + std::to_string(++runs);
    fs::create_directories(run + "/src");
    for (const auto& entry : fs::directory_iterator(wide))
      fs::create_hard_link(entry.path(), run + "/src/" + entry.path().filename().string());
    if (voltrim::CreatePortfolio(run + "/dst") != voltrim::kOk) std::abort();
    ::sync();
    return {run + "/src", run + "/dst"};
  }
};

Folders& Data() {
  static Folders folders;
  return folders;
}

void Remove(const std::pair<std::string, std::string>& run) {
  fs::remove_all(fs::path(run.first).parent_path());
}

using Run = std::pair<std::string, std::string>;  // the source and the destination

// The fifty moved by one (a fresh pair of folders) and each (another), the two in turn and
// timed apart.
template <typename One, typename Each>
void MoveInTurn(benchmark::State& state, One moveAll, Each moveEach) {
  voltrim::bench::PathTimes one, each;
  voltrim::bench::TakeTurns turns;
  const std::vector<std::string> symbols = MovedSymbols();
  for (auto _ : state) {
    const Run oneRun = Data().Fresh();
    const Run eachRun = Data().Fresh();
    turns([&] { one.Time([&] { moveAll(oneRun, symbols); }); },
          [&] {
            each.Time([&] {
              for (const std::string& symbol : symbols) moveEach(eachRun, symbol);
            });
          });
    Remove(oneRun);
    Remove(eachRun);
  }
  one.Report(state, "one");
  each.Report(state, "each");
}

void BM_MoveCommandsInTurn(benchmark::State& state) {
  MoveInTurn(
      state,
      [&](const Run& run, const std::vector<std::string>& symbols) {
        std::vector<std::string> words = {VOLTRIM_CLI, "move-symbol", run.first};
        words.insert(words.end(), symbols.begin(), symbols.end());
        words.push_back(run.second);
        if (!voltrim::bench::RunSilenced(words)) state.SkipWithError("move-symbol failed");
      },
      [&](const Run& run, const std::string& symbol) {
        if (!voltrim::bench::RunSilenced(
                {VOLTRIM_CLI, "move-symbol", run.first, symbol, run.second}))
          state.SkipWithError("move-symbol failed");
      });
}

void BM_MoveCallsInTurn(benchmark::State& state) {
  MoveInTurn(
      state,
      [&](const Run& run, const std::vector<std::string>& symbols) {
        std::vector<voltrim::RefusedSymbol> refused;
        if (voltrim::MoveOrCopySymbols(run.first, symbols, run.second, true, refused) !=
            voltrim::kOk)
          state.SkipWithError("MoveOrCopySymbols failed");
      },
      [&](const Run& run, const std::string& symbol) {
        if (voltrim::MoveOrCopySymbol(run.first, symbol, run.second, true) != voltrim::kSymbolAdded)
          state.SkipWithError("MoveOrCopySymbol failed");
      });
}

BENCHMARK(BM_MoveCommandsInTurn)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveCallsInTurn)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"50 move-symbol commands of one series / one of 50 series",
        "BM_MoveCommandsInTurn/iterations:3#each", "BM_MoveCommandsInTurn/iterations:3#one"},
       {"50 MoveOrCopySymbol calls / one MoveOrCopySymbols of 50 series",
        "BM_MoveCallsInTurn/iterations:3#each", "BM_MoveCallsInTurn/iterations:3#one"}});
}
