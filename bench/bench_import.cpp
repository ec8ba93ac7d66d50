// Importing 32,000 quotes from their CSV file into an empty series (reading and parsing the
// file, merging, replacing the DAT file, and MASTER and EMASTER taking the new dates), against
// a change of the same shape: the newest quote of a 32,001-quote series deleted, which
// replaces the same three files (a 32,000-quote DAT file, EMASTER and MASTER, whose last date
// moves). Both keep the undo journal, so the difference is the import's own reading and
// planning. The import against RewriteSeries of a 32,766-quote series (one file replaced) is
// printed beside it.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench_common.h"
#include "datafiles/format/series.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/import_quotes.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/rewrite_series.h"
#include "export/export_writer.h"
#include "import/import_command.h"
#include "import/import_text.h"

namespace {

constexpr int kImported = 32000;
constexpr int kRewritten = 32766;

class StringSink : public voltrim::TextSink {
 public:
  void Write(std::string_view piece) override { text.append(piece); }
  std::string text;
};

std::vector<std::uint8_t> FileBytes(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (voltrim::ReadWholeFile(path, bytes, voltrim::kMaxPortfolioFileBytes) != voltrim::kOk)
    std::abort();
  return bytes;
}

void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    std::abort();
  // Synced here, outside the timing, so that the import's own syncs do not also write out
  // what the reset left in the cache.
  if (std::fflush(file) != 0 || ::fsync(fileno(file)) != 0) std::abort();
  std::fclose(file);
}

// The bytes of a one-series portfolio's three files, taken once and put back before each run.
struct SavedFiles {
  std::vector<std::uint8_t> dat, master, emaster;
  void Take(const std::string& dir) {
    dat = FileBytes(dir + "/F1.DAT");
    master = FileBytes(dir + "/MASTER");
    emaster = FileBytes(dir + "/EMASTER");
  }
  void PutBack(const std::string& dir) const {
    Put(dir + "/F1.DAT", dat);
    Put(dir + "/MASTER", master);
    Put(dir + "/EMASTER", emaster);
  }
};

// The long series of the other benchmarks, moved back to 1961: from 2000 its 32,000
// weekdays run past 28 February 2100, the last day the data files' calendar shares with
// the real one, and the import refuses the day after it as no date.
std::vector<voltrim::DailyQuote> QuotesFrom1961() {
  std::vector<voltrim::DailyQuote> quotes = voltrim::bench::LongDailyQuotes(kImported);
  voltrim::DayNumber day = voltrim::ParseUserDate("01/03/61");
  for (voltrim::DailyQuote& quote : quotes) {
    quote.day = day;
    day = voltrim::NextWeekday(day);
  }
  return quotes;
}

// A new portfolio with an empty six-column series NEW, and the CSV export of a series of
// 32,000 quotes beside it.
struct ImportData {
  voltrim::bench::ScratchFolder folder;
  std::string dir = folder.str() + "/p";
  std::string csv = folder.str() + "/quotes.csv";
  SavedFiles empty;
  ImportData() {
    const std::string source = folder.str() + "/source";
    voltrim::bench::WriteOneDailySeries(source, "SRC", QuotesFrom1961());
    voltrim::SeriesLocation series;
    if (voltrim::LocateSeries(source, "SRC", series) != voltrim::kOk) std::abort();
    voltrim::ExportSettings settings;
    const voltrim::ExportStyle style{voltrim::ExportFormat::Csv, false};
    StringSink sink;
    sink.text = voltrim::ExportHeading(settings, style);
    if (voltrim::WriteExportRows(sink, series, "SRC", -1, settings, style) != voltrim::kOk)
      std::abort();
    Put(csv, std::vector<std::uint8_t>(sink.text.begin(), sink.text.end()));
    if (voltrim::CreatePortfolio(dir) != voltrim::kOk ||
        voltrim::CreateSeries(dir, {"NEW", "NEW SERIES", 6, false}) != voltrim::kSymbolAdded)
      std::abort();
    empty.Take(dir);
  }
  // The series empty again, MASTER and EMASTER as they were.
  void Reset() const { empty.PutBack(dir); }
};

ImportData& Imports() {
  static ImportData data;
  return data;
}

// A portfolio made as the import's is, holding the CSV file's 32,000 quotes and one more on
// the next weekday, and the bytes of its three files, put back before each delete of that
// newest quote.
struct DeleteData {
  voltrim::bench::ScratchFolder folder;
  std::string dir = folder.str();
  SavedFiles before;
  voltrim::DayNumber newest = 0;
  explicit DeleteData(const ImportData& imports) {
    voltrim::bench::BenchPrompt prompt;
    voltrim::ImportText text;
    if (!voltrim::ReadImportFile(imports.csv, text, prompt)) std::abort();
    voltrim::ImportQuote next = text.quotes.back();
    newest = voltrim::NextWeekday(voltrim::DateFloatToDay(next.date));
    next.date = voltrim::DayToDateValue(newest);
    text.quotes.push_back(next);
    voltrim::ImportResult result;
    if (voltrim::CreatePortfolio(dir) != voltrim::kOk ||
        voltrim::CreateSeries(dir, {"OLD", "OLD SERIES", 6, false}) != voltrim::kSymbolAdded ||
        voltrim::ImportQuotes(
            dir, "OLD", voltrim::ImportRequestOf(std::move(text), voltrim::ImportOverlap::kRefuse),
            result) != voltrim::kOk ||
        result.added != kImported + 1)
      std::abort();
    before.Take(dir);
  }
  void Reset() const { before.PutBack(dir); }
  bool DeleteNewest() const {
    voltrim::SeriesEdit erase;
    erase.kind = voltrim::edit_kind::kDelete;
    erase.firstDay = erase.lastDay = newest;
    return voltrim::RewriteSeries(erase, dir, "OLD") == voltrim::kOk;
  }
};

struct RewriteData {
  voltrim::bench::ScratchFolder folder;
  std::string dir = folder.str();
  RewriteData() {
    voltrim::bench::WriteOneDailySeries(dir, "BIG", voltrim::bench::LongDailyQuotes(kRewritten));
  }
};

// The CSV file read, parsed and imported into the empty series; false when it fails.
bool ImportFile(const ImportData& data) {
  voltrim::bench::BenchPrompt prompt;
  voltrim::ImportText text;
  if (!voltrim::ReadImportFile(data.csv, text, prompt)) return false;
  voltrim::ImportResult result;
  const voltrim::Status status = voltrim::ImportQuotes(
      data.dir, "NEW", voltrim::ImportRequestOf(std::move(text), voltrim::ImportOverlap::kRefuse),
      result);
  return status == voltrim::kOk && result.added == kImported;
}

void BM_ImportIntoEmptySeries(benchmark::State& state) {
  const ImportData& data = Imports();
  for (auto _ : state) {
    state.PauseTiming();
    data.Reset();
    state.ResumeTiming();
    if (!ImportFile(data)) state.SkipWithError("import failed");
  }
}

// A rewrite of every quote: scaled by 2 and back by 0.5 in turn, exact in MBF, so each run
// changes the file and keeps the undo journal, as an import does.
void BM_RewriteSeries(benchmark::State& state) {
  static RewriteData data;
  float factor = 2;
  for (auto _ : state) {
    const voltrim::SeriesEdit scale = voltrim::bench::ScaleEveryQuote(factor);
    factor = factor == 2 ? 0.5f : 2;
    if (voltrim::RewriteSeries(scale, data.dir, "BIG") != voltrim::kOk)
      state.SkipWithError("rewrite failed");
  }
}

// The import and the rewrite taking turns within each iteration (in either order), each
// timed apart: the two then meet the same moments of a shared machine, whose drift between
// two benchmarks timed one after the other is as large as the import's cost over the aim.
void BM_ImportAndRewriteInTurn(benchmark::State& state) {
  const ImportData& data = Imports();
  static RewriteData rewritten;
  // "importing", as clang-format takes a line that starts with "import" for a module's.
  voltrim::bench::PathTimes importing, rewrite;
  voltrim::bench::TakeTurns turns;
  float factor = 2;
  const auto rewriteOnce = [&] {
    if (voltrim::RewriteSeries(voltrim::bench::ScaleEveryQuote(factor), rewritten.dir, "BIG") !=
        voltrim::kOk)
      state.SkipWithError("rewrite failed");
    factor = factor == 2 ? 0.5f : 2;
  };
  const auto importOnce = [&] {
    data.Reset();
    importing.Time([&] {
      if (!ImportFile(data)) state.SkipWithError("import failed");
    });
  };
  for (auto _ : state) turns(importOnce, [&] { rewrite.Time(rewriteOnce); });
  importing.Report(state, "import");
  rewrite.Report(state, "rewrite");
}

// The import and the delete of a newest quote taking turns, as the import and the rewrite
// above; each starts from its files as they were, put back outside the timing.
void BM_ImportAndDeleteInTurn(benchmark::State& state) {
  const ImportData& data = Imports();
  static DeleteData deleted(data);
  voltrim::bench::PathTimes importing, deleting;
  voltrim::bench::TakeTurns turns;
  const auto importOnce = [&] {
    data.Reset();
    importing.Time([&] {
      if (!ImportFile(data)) state.SkipWithError("import failed");
    });
  };
  const auto deleteOnce = [&] {
    deleted.Reset();
    deleting.Time([&] {
      if (!deleted.DeleteNewest()) state.SkipWithError("delete failed");
    });
  };
  for (auto _ : state) turns(importOnce, deleteOnce);
  importing.Report(state, "import");
  deleting.Report(state, "delete");
}

// The earlier baseline: every quote rewritten with factors of 1, so the file stays the same
// and no journal is kept.
void BM_RewriteSeriesUnchanged(benchmark::State& state) {
  static RewriteData data;
  const voltrim::SeriesEdit scale = voltrim::bench::ScaleEveryQuote(1);
  for (auto _ : state) {
    if (voltrim::RewriteSeries(scale, data.dir, "BIG") != voltrim::kOk)
      state.SkipWithError("rewrite failed");
  }
}

// The request of the CSV file's quotes, read before the timing.
voltrim::ImportRequest ParsedRequest(benchmark::State& state, const ImportData& data) {
  voltrim::bench::BenchPrompt prompt;
  voltrim::ImportText text;
  if (!voltrim::ReadImportFile(data.csv, text, prompt)) state.SkipWithError("cannot read");
  return voltrim::ImportRequestOf(std::move(text), voltrim::ImportOverlap::kRefuse);
}

// The writing alone: quotes already read, merged and written with MASTER and EMASTER.
void BM_ImportParsedQuotes(benchmark::State& state) {
  const ImportData& data = Imports();
  const voltrim::ImportRequest request = ParsedRequest(state, data);
  for (auto _ : state) {
    state.PauseTiming();
    data.Reset();
    state.ResumeTiming();
    voltrim::ImportResult result;
    const voltrim::Status status = voltrim::ImportQuotes(data.dir, "NEW", request, result);
    if (status != voltrim::kOk || result.added != kImported) state.SkipWithError("import failed");
  }
}

// The reading alone: the file's text, already in memory, to quotes.
void BM_ParseImportText(benchmark::State& state) {
  const ImportData& data = Imports();
  const std::vector<std::uint8_t> bytes = FileBytes(data.csv);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (auto _ : state) {
    voltrim::ImportText parsed;
    voltrim::ImportTextError error;
    if (!voltrim::ParseImportText(text, parsed, error) || parsed.quotes.size() != kImported)
      state.SkipWithError("cannot parse");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
}

// The planning alone: the parsed quotes checked, merged into the empty series and laid out
// as its new DAT content.
void BM_PlanImport(benchmark::State& state) {
  const ImportData& data = Imports();
  const voltrim::ImportRequest request = ParsedRequest(state, data);
  voltrim::SeriesLocation series;
  if (voltrim::LocateSeries(data.dir, "NEW", series) != voltrim::kOk)
    state.SkipWithError("no series");
  for (auto _ : state) {
    voltrim::ImportResult result;
    std::vector<std::uint8_t> content;
    if (voltrim::PlanImport(series, data.empty.dat, request, result, &content) != voltrim::kOk ||
        result.added != kImported)
      state.SkipWithError("cannot plan");
  }
}

// The CPU time of the whole process, so that work on any helper thread counts too.
BENCHMARK(BM_RewriteSeries)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_RewriteSeriesUnchanged)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ParseImportText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportIntoEmptySeries)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ImportParsedQuotes)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_ImportAndRewriteInTurn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportAndDeleteInTurn)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"import of " + std::to_string(kImported) + " quotes from CSV / delete of the newest of " +
            std::to_string(kImported + 1) + " quotes",
        "BM_ImportAndDeleteInTurn#import", "BM_ImportAndDeleteInTurn#delete"},
       {"import of " + std::to_string(kImported) + " quotes from CSV / RewriteSeries of " +
            std::to_string(kRewritten) + " quotes",
        "BM_ImportAndRewriteInTurn#import", "BM_ImportAndRewriteInTurn#rewrite"},
       {"the same against a RewriteSeries that leaves the file as it was",
        "BM_ImportIntoEmptySeries/process_time", "BM_RewriteSeriesUnchanged/process_time"}});
}
