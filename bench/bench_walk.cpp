// The portfolio walk against a plain recursive directory pass over the same generated tree.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_common.h"
#include "discovery/discovery_filter.h"
#include "discovery/discovery_walk.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTop = 20, kMiddle = 25, kLeaves = 40;  // 20,520 folders
constexpr int kPortfolioEvery = 64;                   // about 320 portfolios

struct Tree {
  voltrim::bench::ScratchFolder scratch{"voltrim-bench-walk"};
  fs::path root = scratch.path();
  int portfolios = 0;

  Tree() {
    int leaf = 0;
    for (int t = 0; t < kTop; ++t) {
      for (int m = 0; m < kMiddle; ++m) {
        for (int l = 0; l < kLeaves; ++l, ++leaf) {
          char relative[64];
          std::snprintf(relative, sizeof relative, "T%d/m%d/Leaf%d", t, m, l);
          const fs::path folder = root / relative;
          fs::create_directories(folder);
          if (leaf % kPortfolioEvery == 0) {
            for (const char* name : {"MASTER", "F1.DAT", "F1.DOP"}) std::ofstream(folder / name);
            ++portfolios;
          } else if (leaf % 4 == 0) {
            std::ofstream(folder / "notes.txt");
          }
        }
      }
    }
  }
};

Tree& TheTree() {
  static Tree tree;
  return tree;
}

void PlainPass(benchmark::State& state) {
  const fs::path root = TheTree().root;
  for (auto _ : state) {
    int folders = 0;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
      if (it->is_directory()) ++folders;
    }
    benchmark::DoNotOptimize(folders);
  }
}

void Walk(benchmark::State& state, const voltrim::SearchFilter& filter) {
  voltrim::bench::BenchPrompt prompt;
  for (auto _ : state) {
    std::vector<std::string> found;
    voltrim::WalkDirectory(TheTree().root.string(), filter, found, prompt);
    if (static_cast<int>(found.size()) != TheTree().portfolios) state.SkipWithError("missed some");
    benchmark::DoNotOptimize(found);
  }
}

void WalkWithoutFilter(benchmark::State& state) {
  Walk(state, voltrim::MakeSearchFilter(0, 0, ""));
}

// A filter that admits the whole tree, so that both walks visit the same folders and the
// difference is the cost of the substring tests.
void WalkWithFilter(benchmark::State& state) {
  Walk(state, voltrim::MakeSearchFilter(0, 1, TheTree().root.string()));
}

BENCHMARK(PlainPass)->Unit(benchmark::kMillisecond);
BENCHMARK(WalkWithoutFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(WalkWithFilter)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  std::printf("tree: %d folders, %d portfolios\n", kTop * kMiddle * kLeaves + kTop * kMiddle + kTop,
              TheTree().portfolios);
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"walk without filter / plain pass", "WalkWithoutFilter", "PlainPass"},
       {"walk with filter / plain pass", "WalkWithFilter", "PlainPass"}});
}
