#pragma once

// Runs the registered benchmarks and then prints, for each ratio asked for, how many times
// slower the measured operation is than its baseline over the same bytes.
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
  void PrintRatio(const std::string& what, const std::string& measured,
                  const std::string& baseline) const {
    const auto m = seconds_.find(measured);
    const auto b = seconds_.find(baseline);
    if (m == seconds_.end() || b == seconds_.end() || b->second.first <= 0.0 ||
        b->second.second <= 0.0)
      return;
    std::printf("%s: %.2fx real time, %.2fx CPU time\n", what.c_str(),
                m->second.first / b->second.first, m->second.second / b->second.second);
  }

 private:
  std::map<std::string, std::pair<double, double>> seconds_;  // real, CPU
};

// One line of the summary: what is compared, and the two benchmarks' names.
struct Ratio {
  std::string what;
  std::string measured;
  std::string baseline;
};

// The whole main of a benchmark program: runs what the command line selects (CPU time is
// the steadier measure on a shared machine), then prints the ratios.
inline int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  for (const Ratio& ratio : ratios) reporter.PrintRatio(ratio.what, ratio.measured, ratio.baseline);
  benchmark::Shutdown();
  return 0;
}

}  // namespace voltrim::bench
