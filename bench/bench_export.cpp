// Export of a full-length series (32,766 quotes) against a plain formatted write of the same
// numbers to a file; prints how much the export costs over the plain write.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/series.h"
#include "export/export_writer.h"
#include "export/replacing_text_file.h"

namespace {

using namespace voltrim;

constexpr int kQuotes = 32766;

struct Fixture {
  bench::ScratchFolder dir;
  std::vector<Quote> quotes;  // the same numbers, for the plain write

  Fixture() {
    SeriesSpec series;
    series.symbol = "BIG";
    series.name = "BIG SERIES";
    series.fields = {Field::Date,  Field::Open, Field::High, Field::Low,
                     Field::Close, Field::Vol,  Field::Oi};
    const DayNumber first = DateFloatToDay(200102.0f);
    float close = 20.0f;
    std::srand(11);
    for (int i = 0; i < kQuotes; ++i) {
      close *= 1.0f + static_cast<float>(std::rand() % 200 - 100) / 5000.0f;
      const auto day = static_cast<DayNumber>(first + i);
      series.records.push_back({DayToDateValue(day), close, close * 1.01f, close * 0.99f, close,
                                1000.0f + static_cast<float>(i * 3), static_cast<float>(i)});
    }
    PortfolioSpec plan;
    plan.entries.push_back({false, series, {}});
    if (WritePortfolio(dir.str(), plan) != kOk) std::abort();
    SeriesBuffer buffer(kQuotes);
    if (ReadSeries(buffer, dir.str(), "BIG", 0, kQuotes) != kOk) std::abort();
    for (int i = 0; i < buffer.Count(); ++i) quotes.push_back(buffer.At(i));
  }
  std::string Out() const { return (dir.path() / "out.txt").string(); }
};

Fixture& Data() {
  static Fixture fixture;
  return fixture;
}

class FileSink : public TextSink {
 public:
  explicit FileSink(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~FileSink() override { std::fclose(file_); }
  void Write(std::string_view text) override { std::fwrite(text.data(), 1, text.size(), file_); }

 private:
  std::FILE* file_;
};

// The baseline: the numbers already in memory, formatted and written line by line.
void BM_PlainFormattedWrite(benchmark::State& state) {
  Fixture& data = Data();
  for (auto _ : state) {
    std::FILE* file = std::fopen(data.Out().c_str(), "wb");
    for (const Quote& q : data.quotes) {
      const std::string date = FormatUserDate(q.date);
      std::fprintf(file, "%s %.4f %.4f %.4f %.4f %.2f %.2f\r\n", date.c_str(),
                   static_cast<double>(q.open), static_cast<double>(q.high),
                   static_cast<double>(q.low), static_cast<double>(q.close),
                   static_cast<double>(q.volume), static_cast<double>(q.openInterest));
    }
    std::fclose(file);
  }
}
BENCHMARK(BM_PlainFormattedWrite)->Unit(benchmark::kMillisecond);

void BM_ExportToFile(benchmark::State& state) {
  Fixture& data = Data();
  const ExportSettings settings;
  for (auto _ : state) {
    FileSink sink(data.Out());
    WriteExportText(sink, data.dir.str(), "BIG", kQuotes, settings);
  }
}
BENCHMARK(BM_ExportToFile)->Unit(benchmark::kMillisecond);

void BM_ExportNewestFirstToFile(benchmark::State& state) {
  Fixture& data = Data();
  ExportSettings settings;
  settings.newest = 1;
  for (auto _ : state) {
    FileSink sink(data.Out());
    WriteExportText(sink, data.dir.str(), "BIG", kQuotes, settings);
  }
}
BENCHMARK(BM_ExportNewestFirstToFile)->Unit(benchmark::kMillisecond);

// As the Export command writes: a temporary file, synced and renamed over the old one.
void BM_ExportReplacingFile(benchmark::State& state) {
  Fixture& data = Data();
  const ExportSettings settings;
  for (auto _ : state) {
    ReplacingTextFile file(data.Out());
    if (!file.Open()) std::abort();
    WriteExportText(file, data.dir.str(), "BIG", kQuotes, settings);
    if (!file.Commit()) std::abort();
  }
}
BENCHMARK(BM_ExportReplacingFile)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  Data();  // write the portfolio before any timing
  return bench::RunWithRatios(argc, argv,
                              {{"export, oldest first / plain formatted write",
                                "BM_ExportToFile", "BM_PlainFormattedWrite"},
                               {"export, newest first / plain formatted write",
                                "BM_ExportNewestFirstToFile", "BM_PlainFormattedWrite"},
                               {"export through the synced replace / plain formatted write",
                                "BM_ExportReplacingFile", "BM_PlainFormattedWrite"}});
}
