#pragma once

// Runs the registered benchmarks and then prints, for each pair given, how many times
// slower the measured operation is than its raw baseline over the same bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace voltrim::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        seconds_[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    ConsoleReporter::ReportRuns(runs);
  }

  // "what: 1.23x real time, 1.34x CPU time", or nothing when either was not run.
  void PrintRatio(const char* what, const std::string& measured,
                  const std::string& baseline) const {
    const auto m = seconds_.find(measured);
    const auto b = seconds_.find(baseline);
    if (m == seconds_.end() || b == seconds_.end() || b->second.first <= 0.0 ||
        b->second.second <= 0.0)
      return;
    std::printf("%s: %.2fx real time, %.2fx CPU time\n", what, m->second.first / b->second.first,
                m->second.second / b->second.second);
  }

  void PrintRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
    std::printf("\nRatio to raw read of the same bytes (real time, CPU time):\n");
    for (const auto& [measured, baseline] : pairs) {
      const auto m = seconds_.find(measured);
      const auto b = seconds_.find(baseline);
      if (m == seconds_.end() || b == seconds_.end() || b->second.first <= 0.0 ||
          b->second.second <= 0.0)
        continue;
      std::printf("  %-24s %6.2fx real %6.2fx CPU  (vs %s)\n", measured.c_str(),
                  m->second.first / b->second.first, m->second.second / b->second.second,
                  baseline.c_str());
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> seconds_;  // real, CPU
};

inline int RunWithRatios(int argc, char** argv,
                         const std::vector<std::pair<std::string, std::string>>& pairs) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(pairs);
  benchmark::Shutdown();
  return 0;
}

}  // namespace voltrim::bench
