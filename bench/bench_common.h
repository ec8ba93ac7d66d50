#pragma once

// What the benchmark programs share besides the ratio reporter: a scratch folder of their
// own, a prompt that never waits, and writing a one-series portfolio.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench_ratio.h"
#include "prompt/user_prompt.h"
#include "samples/portfolio_builder.h"

namespace voltrim::bench {

// A new folder under the temporary directory, removed with all it holds at the end. Each
// has a name of its own, so that benchmarks run side by side never share files.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& stem = "voltrim-bench") {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("cannot make a scratch folder");
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Answers No and shows no progress; a message is printed, as a benchmark that meets one
// measures something other than it means to.
class BenchPrompt : public QuietPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&) override { return false; }
};

// A long daily series of weekdays from 01/03/00 whose prices climb in small steps and start
// again every 500 quotes: the same bytes for every benchmark that reads one long series.
inline std::vector<DailyQuote> LongDailyQuotes(int count) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < count; ++i) {
    const float price = 20.0f + static_cast<float>(i % 500) / 16.0f;
    quotes.push_back(
        {day, price, price + 0.5f, price - 0.5f, price + 0.25f, static_cast<float>(10000 + i)});
    day = NextWeekday(day);
  }
  return quotes;
}

// Runs a program (words[0], a path) with the rest of words as its arguments and its standard
// output discarded, as a script runs a command; whether it exited with 0.
inline bool RunQuietly(std::vector<std::string> words) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return spawned == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// Writes a portfolio of one daily series (file F1) into dir; stops the program when it cannot.
inline void WriteOneDailySeries(const std::string& dir, const std::string& symbol,
                                const std::vector<DailyQuote>& quotes) {
  PortfolioSpec plan;
  plan.entries.resize(1);
  plan.entries[0].series = MakeDailySeries(1, symbol, symbol + " SERIES", quotes);
  if (WritePortfolio(dir, plan) != kOk) {
    std::fprintf(stderr, "cannot write the benchmark portfolio in %s\n", dir.c_str());
    std::abort();
  }
}

}  // namespace voltrim::bench
