// The portfolio walk against a plain recursive directory pass over the same generated tree.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "browser/discovery_filter.h"
#include "browser/discovery_walk.h"
#include "prompt/user_prompt.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTop = 20, kMiddle = 25, kLeaves = 40;  // 20,520 folders
constexpr int kPortfolioEvery = 64;                   // about 320 portfolios

class SilentPrompt : public voltrim::UserPrompt {
 public:
  void ShowMessage(const std::string&, voltrim::MessageIcon) override {}
  bool AskYesNo(const std::string&) override { return false; }
  void Beep(voltrim::BeepKind) override {}
  void BeginWait() override {}
  void EndWait() override {}
  void ScanProgress(const std::string&, int) override {}
  void FillProgress(int, int) override {}
  void StatusText(const std::string&) override {}
};

struct Tree {
  fs::path root;
  int portfolios = 0;

  Tree() {
    std::string pattern = (fs::temp_directory_path() / "voltrim-bench-walk-XXXXXX").string();
    root = mkdtemp(pattern.data());
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
  ~Tree() {
    std::error_code error;
    fs::remove_all(root, error);
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
  SilentPrompt prompt;
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

// Keeps each benchmark's time per iteration so that main can print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        const double iterations = static_cast<double>(run.iterations);
        seconds[run.benchmark_name()] = {run.real_accumulated_time / iterations,
                                         run.cpu_accumulated_time / iterations};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, std::pair<double, double>> seconds;  // real, CPU
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::printf("tree: %d folders, %d portfolios\n", kTop * kMiddle * kLeaves + kTop * kMiddle + kTop,
              TheTree().portfolios);
  RatioReporter reporter;
  // Wall time is what the user waits for; CPU time is steadier on a shared machine.
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto plain = reporter.seconds["PlainPass"];
  if (plain.first > 0 && plain.second > 0) {
    for (const char* name : {"WalkWithoutFilter", "WalkWithFilter"}) {
      const auto walk = reporter.seconds[name];
      std::printf("%s / PlainPass: %.2f wall, %.2f CPU\n", name, walk.first / plain.first,
                  walk.second / plain.second);
    }
  }
  benchmark::Shutdown();
  return 0;
}
