// A whole portfolio folder from the input (MASTER, subdirectory MASTER, DOP, DAT), read
// through the code paths of the CLI's reading commands: symbols, quotes, export and the
// split search.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/grid_text.h"
#include "browser/series_view.h"
#include "datafiles/io/memory_files.h"
#include "export/export_writer.h"
#include "pieces.h"
#include "prompt/user_prompt.h"
#include "splitsearch/portfolio_symbols.h"
#include "splitsearch/split_search.h"

namespace {

// Symbols read per input: every one costs several lookups through the files, and two
// already meet every path (a second symbol, a second series in the split search).
constexpr std::size_t kSymbolsRead = 2;

class NoQuestions : public voltrim::QuietPrompt {
 public:
  void ShowMessage(const std::string&, voltrim::MessageIcon) override {}
  bool AskYesNo(const std::string&) override { return false; }
};

class CountingSink : public voltrim::TextSink {
 public:
  void Write(std::string_view piece) override { size += piece.size(); }
  std::size_t size = 0;
};

// The quotes command and the grid: the series found once, every quote newest first.
void ReadQuotes(voltrim::SeriesView& view) {
  int read = 0;
  (void)view.ReadQuotes(voltrim::QuoteOrder::kNewestFirst, [&](const voltrim::Quote& quote) {
    (void)voltrim::QuoteCellTexts(quote);
    ++read;
  });
  if (read > view.Total()) __builtin_trap();
  (void)view.OldestDateText();
  (void)view.NewestDateText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Pieces: MASTER, the subfolder SUB's MASTER, F1.DOP (absent when empty); the rest is
  // every F<n>.DAT named by the first MASTER's first four records.
  fuzzing::Pieces pieces(data, size);
  const std::uint8_t *master, *subMaster, *dop, *dat;
  std::size_t masterSize, subMasterSize, dopSize, datSize;
  if (!pieces.Next(master, masterSize) || !pieces.Next(subMaster, subMasterSize) ||
      !pieces.Next(dop, dopSize))
    return 0;
  pieces.Rest(dat, datSize);

  // The folder lives in memory files: the same reading code as on disk, without a system
  // call. Made and dropped within the run, so that libFuzzer's count of allocations
  // balances and it does not look for a leak after every input.
  voltrim::file_ops::MemoryFiles files;
  const voltrim::file_ops::MemoryFilesScope scope(files);
  const std::string dir = "/portfolio";
  files.MakeFolder(dir + "/SUB");
  const auto put = [&files](const std::string& path, const std::uint8_t* bytes,
                            std::size_t length) { files.PutFile(path, bytes, length); };
  put(dir + "/MASTER", master, masterSize);
  put(dir + "/SUB/MASTER", subMaster, subMasterSize);
  if (dopSize > 0) put(dir + "/F1.DOP", dop, dopSize);
  for (std::size_t record = 1; record <= 4; ++record) {
    const std::size_t at = record * voltrim::kMasterRecordSize;
    if (masterSize <= at) break;
    const std::string name = voltrim::DatFileName(master[at]);
    put(dir + "/" + name, dat, datSize);
    put(dir + "/SUB/" + name, dat, datSize);
  }

  voltrim::SymbolRows rows;
  if (voltrim::ReadSymbolRows(dir + "/MASTER", rows) == voltrim::kOk) {
    if (rows.rows.size() > voltrim::kMaxSymbols) __builtin_trap();
    for (std::size_t i = 0; i < rows.rows.size() && i < kSymbolsRead; ++i) {
      // Found once for the quotes and the export (the CLI's commands each find it the same way).
      const std::string& symbol = rows.rows[i].symbol;
      voltrim::SeriesView series;
      if (series.Open(dir, symbol) != voltrim::kOk) continue;
      ReadQuotes(series);
      voltrim::ExportSettings settings;
      settings.newest = static_cast<int>(i & 1);
      CountingSink sink;
      (void)voltrim::WriteExportRows(sink, series.Location(), symbol, series.Total(), settings,
                                     voltrim::ExportStyle{});
    }
  }
  std::vector<std::string> symbols;
  if (voltrim::ReadPortfolioSymbols(dir, symbols) == voltrim::kOk) {
    if (symbols.size() > kSymbolsRead) symbols.resize(kSymbolsRead);
    voltrim::SplitSearchResults results;
    NoQuestions prompt;
    (void)voltrim::RunSplitSearch(dir, symbols, results, prompt);
  }
  return 0;
}
