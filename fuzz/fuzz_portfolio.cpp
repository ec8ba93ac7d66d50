// A whole portfolio folder from the input (MASTER, subdirectory MASTER, DOP, DAT), read
// through the code paths of the CLI's reading commands: symbols, quotes, export and the
// split search.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/grid_text.h"
#include "browser/series_view.h"
#include "export/export_writer.h"
#include "prompt/user_prompt.h"
#include "scratch_folder.h"
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
void ReadQuotes(const std::string& dir, const std::string& symbol) {
  voltrim::SeriesView view;
  if (view.Open(dir, symbol) != voltrim::kOk) return;
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

  static const std::string dir = fuzzing::ScratchFolder("voltrim-fuzz-portfolio");
  static const bool made = [] {
    std::filesystem::create_directories(dir + "/SUB");
    return true;
  }();
  (void)made;
  static std::vector<std::string> written;
  for (const std::string& path : written) fuzzing::DropFile(path);
  written.clear();
  const auto put = [](const std::string& path, const std::uint8_t* bytes, std::size_t length) {
    fuzzing::PutFile(path, bytes, length);
    written.push_back(path);
  };
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
      const std::string& symbol = rows.rows[i].symbol;
      ReadQuotes(dir, symbol);
      voltrim::ExportSettings settings;
      settings.newest = static_cast<int>(i & 1);
      CountingSink sink;
      voltrim::SeriesView series;
      if (series.Open(dir, symbol) == voltrim::kOk)
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
