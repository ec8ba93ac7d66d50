// RewriteSeries of the largest series a DAT header can count, against a plain durable
// copy of the same file (read, write a new file, fsync, rename over, fsync the folder), so
// the fsyncs are part of both sides.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/encodings.h"
#include "datafiles/write/rewrite_series.h"

namespace {

namespace fs = std::filesystem;
constexpr int kQuotes = 32766;

struct Portfolio {
  voltrim::bench::ScratchFolder folder;
  std::string dir = folder.str();
  Portfolio() {
    std::vector<voltrim::DailyQuote> quotes;
    voltrim::DayNumber day = voltrim::YmdToDay(1970, 1, 5);
    for (int i = 0; i < kQuotes; ++i, day = voltrim::NextWeekday(day)) {
      const float p = 10.0f + static_cast<float>(i % 500);
      quotes.push_back({day, p, p + 1, p - 1, p, 1000.0f + static_cast<float>(i)});
    }
    voltrim::bench::WriteOneDailySeries(dir, "BIG", quotes);
  }
};

Portfolio& Data() {
  static Portfolio portfolio;
  return portfolio;
}

// Read, write a new file, fsync, rename over, fsync the folder.
void PlainDurableCopy(std::vector<char>& bytes) {
  const std::string dat = Data().dir + "/F1.DAT";
  const std::string tmp = Data().dir + "/COPY.TMP";
  const int in = open(dat.c_str(), O_RDONLY);
  benchmark::DoNotOptimize(read(in, bytes.data(), bytes.size()));
  close(in);
  const int out = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  benchmark::DoNotOptimize(write(out, bytes.data(), bytes.size()));
  fsync(out);
  close(out);
  std::rename(tmp.c_str(), (Data().dir + "/COPY.DAT").c_str());
  const int folder = open(Data().dir.c_str(), O_RDONLY | O_DIRECTORY);
  fsync(folder);
  close(folder);
}

void BM_PlainDurableCopy(benchmark::State& state) {
  std::vector<char> bytes(fs::file_size(Data().dir + "/F1.DAT"));
  for (auto _ : state) PlainDurableCopy(bytes);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

// Every quote rewritten with factors of 1: the file stays the same.
bool RewriteEveryQuote() {
  voltrim::SeriesEdit scale;
  scale.kind = voltrim::edit_kind::kScaleRange;
  scale.firstDay = 0;
  scale.lastDay = 65535;
  scale.values = {1, 1, 1, 1, 1, 1};
  return voltrim::RewriteSeries(scale, Data().dir, "BIG") == 0;
}

void BM_RewriteSeriesScale(benchmark::State& state) {
  for (auto _ : state) {
    if (!RewriteEveryQuote()) state.SkipWithError("rewrite failed");
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(fs::file_size(Data().dir + "/F1.DAT")));
}

// The rewrite and the copy taking turns within each iteration (in either order), each timed
// apart, so that both meet the same moments of a shared machine.
void BM_RewriteAndCopyInTurn(benchmark::State& state) {
  std::vector<char> bytes(fs::file_size(Data().dir + "/F1.DAT"));
  voltrim::bench::PathTimes rewrite, copy;
  voltrim::bench::TakeTurns turns;
  const auto rewriteOnce = [&] {
    rewrite.Time([&] {
      if (!RewriteEveryQuote()) state.SkipWithError("rewrite failed");
    });
  };
  for (auto _ : state) turns(rewriteOnce, [&] { copy.Time([&] { PlainDurableCopy(bytes); }); });
  rewrite.Report(state, "rewrite");
  copy.Report(state, "copy");
}

BENCHMARK(BM_PlainDurableCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteSeriesScale)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RewriteAndCopyInTurn)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"RewriteSeries / plain copy of a " + std::to_string(kQuotes) + "-quote series",
        "BM_RewriteAndCopyInTurn#rewrite", "BM_RewriteAndCopyInTurn#copy"}});
}
