#pragma once

// Runs the registered benchmarks and then prints, for each ratio asked for, how many times
// slower the measured operation is than its baseline over the same bytes, each beside its
// aim from bench/aims.txt; the program exits 1 when a figure is past its aim.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace voltrim::bench {

// One line of the summary: what is compared, and the two benchmarks' names. The measured
// time is multiplied by scale (a sample standing for a whole).
struct Ratio {
  std::string what;
  std::string measured;
  std::string baseline;
  double scale = 1.0;
};

// A row of bench/aims.txt: "program | what | measure | aim", aim "N" (at most) or ">= N".
struct Aim {
  std::string what;
  std::string measure;  // "real x", "cpu x" or "real ms"
  double limit = 0.0;
  bool atLeast = false;
};

inline std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The aims naming this program; none when the file is missing (the figures still print).
inline std::vector<Aim> AimsOf(const std::string& program) {
  std::vector<Aim> aims;
  std::ifstream in(VOLTRIM_BENCH_AIMS);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    for (std::size_t at = 0, bar; at <= line.size(); at = bar + 1) {
      bar = line.find('|', at);
      if (bar == std::string::npos) bar = line.size();
      cells.push_back(Trimmed(line.substr(at, bar - at)));
    }
    if (cells.size() != 4 || cells[0] != program) continue;
    Aim aim{cells[1], cells[2]};
    aim.atLeast = cells[3].rfind(">=", 0) == 0;
    aim.limit = std::strtod(cells[3].c_str() + (aim.atLeast ? 2 : 0), nullptr);
    aims.push_back(aim);
  }
  return aims;
}

// The real and CPU time of one of two paths a benchmark times in turn, so that both meet
// the same moments of a shared machine. The reporter reads them as "<benchmark>#<path>".
class PathTimes {
 public:
  template <typename Work>
  void Time(Work work) {
    const auto realFrom = std::chrono::steady_clock::now();
    const double cpuFrom = CpuSeconds();
    work();
    real_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - realFrom).count();
    cpu_ += CpuSeconds() - cpuFrom;
    ++runs_;
  }
  void Report(benchmark::State& state, const std::string& path) const {
    if (runs_ == 0) return;
    state.counters[path + kReal] = real_ / static_cast<double>(runs_);
    state.counters[path + kCpu] = cpu_ / static_cast<double>(runs_);
  }

  static constexpr const char* kReal = "_real_s";
  static constexpr const char* kCpu = "_cpu_s";

 private:
  // The whole process's, so that work on any helper thread counts too, and that of the
  // child processes it has waited for (a path that runs commands).
  static double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    rusage children{};
    ::getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) {
      return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 +
           seconds(children.ru_utime) + seconds(children.ru_stime);
  }
  double real_ = 0.0;
  double cpu_ = 0.0;
  long runs_ = 0;
};

// Runs a and b once each, a before b on every other call: taking turns so, neither path
// always meets the machine just after the other.
class TakeTurns {
 public:
  template <typename A, typename B>
  void operator()(A a, B b) {
    aFirst_ = !aFirst_;
    if (aFirst_) a();
    b();
    if (!aFirst_) a();
  }

 private:
  bool aFirst_ = false;
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::string program)
      : program_(std::move(program)), aims_(AimsOf(program_)) {}

  // With repetitions (run_all.sh asks for them, interleaved), each figure is the median of
  // its repetitions, so one slow moment of a shared machine does not decide a verdict.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        benchmark::BenchmarkName name = run.run_name;
        name.repetitions.clear();
        samples_[name.str()].push_back({run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()});
        AddPathTimes(name.str(), run);
      }
    ConsoleReporter::ReportRuns(runs);
  }

  // "what: 1.23x real time, 1.34x CPU time", or nothing when either was not run; then a
  // line "aim | program | what | measure | figure | aim | within/PAST" per aim it has.
  void PrintRatio(const Ratio& ratio) {
    const auto m = Median(ratio.measured);
    const auto b = Median(ratio.baseline);
    if (!m || !b || b->real <= 0.0 || b->cpu <= 0.0) return;
    const double real = ratio.scale * m->real / b->real;
    const double cpu = ratio.scale * m->cpu / b->cpu;
    std::printf("%s: %.2fx real time, %.2fx CPU time\n", ratio.what.c_str(), real, cpu);
    Judge(ratio.what, "real x", real);
    Judge(ratio.what, "cpu x", cpu);
  }

  // The benchmarks whose aim is a time per run (they report in milliseconds).
  void PrintTimes() {
    for (const Aim& aim : aims_)
      if (aim.measure == "real ms")
        if (const auto hit = Median(aim.what)) Judge(aim.what, aim.measure, hit->real);
  }

  bool AllWithin() const { return allWithin_; }

 private:
  struct Seconds {
    double real;
    double cpu;
  };

  // The times of PathTimes, in seconds as the counters hold them.
  void AddPathTimes(const std::string& name, const Run& run) {
    const std::string real = PathTimes::kReal;
    for (const auto& [key, counter] : run.counters) {
      if (key.size() <= real.size() || key.compare(key.size() - real.size(), real.size(), real))
        continue;
      const std::string path = key.substr(0, key.size() - real.size());
      const auto cpu = run.counters.find(path + PathTimes::kCpu);
      if (cpu != run.counters.end())
        samples_[name + "#" + path].push_back({counter.value, cpu->second.value});
    }
  }

  // Real and CPU time each the median of the benchmark's repetitions (the middle one, or the
  // mean of the two middle ones).
  std::optional<Seconds> Median(const std::string& name) const {
    const auto hit = samples_.find(name);
    if (hit == samples_.end()) return std::nullopt;
    std::vector<double> real, cpu;
    for (const Seconds& sample : hit->second) {
      real.push_back(sample.real);
      cpu.push_back(sample.cpu);
    }
    return Seconds{MiddleOf(real), MiddleOf(cpu)};
  }

  static double MiddleOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
  }

  void Judge(const std::string& what, const std::string& measure, double figure) {
    for (const Aim& aim : aims_) {
      if (aim.what != what || aim.measure != measure) continue;
      const bool within = aim.atLeast ? figure >= aim.limit : figure <= aim.limit;
      allWithin_ = allWithin_ && within;
      std::printf("aim | %s | %s | %s | %.2f | %s%g | %s\n", program_.c_str(), what.c_str(),
                  measure.c_str(), figure, aim.atLeast ? ">= " : "", aim.limit,
                  within ? "within" : "PAST");
    }
  }

  std::string program_;
  std::vector<Aim> aims_;
  std::map<std::string, std::vector<Seconds>> samples_;
  bool allWithin_ = true;
};

inline std::string ProgramName(const char* argv0) {
  const std::string path = argv0 != nullptr ? argv0 : "";
  return path.substr(path.find_last_of('/') + 1);
}

// The whole main of a benchmark program: runs what the command line selects (CPU time is
// the steadier measure on a shared machine), then prints the ratios and their aims.
inline int RunWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter(ProgramName(argv[0]));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  for (const Ratio& ratio : ratios) reporter.PrintRatio(ratio);
  reporter.PrintTimes();
  benchmark::Shutdown();
  return reporter.AllWithin() ? 0 : 1;
}

}  // namespace voltrim::bench
