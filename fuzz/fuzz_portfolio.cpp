// A whole portfolio folder from the input (MASTER, subdirectory MASTER, DOP, DAT), read
// through the code paths of the CLI's reading commands: symbols, quotes, export and the
// split search.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "browser/grid_text.h"
#include "datafiles/format/series.h"
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

// The quotes command: the count, then every quote newest first in windows.
void ReadQuotes(const std::string& dir, const std::string& symbol) {
  voltrim::SeriesLocation location;
  voltrim::SeriesReader reader;
  if (voltrim::LocateSeries(dir, symbol, location) != voltrim::kOk) return;
  if (reader.Open(location) != voltrim::kOk) return;
  voltrim::SeriesBuffer buffer;
  if (voltrim::AllocSeriesBuffer(buffer, 400) != voltrim::kOk) return;
  for (int done = 0; done < reader.Total();) {
    const int chunk = std::min(reader.Total() - done, 400);
    if (reader.Read(buffer, reader.Total() - done - chunk, chunk) != voltrim::kOk) break;
    if (buffer.Count() < 0 || buffer.Count() > chunk) __builtin_trap();
    for (int i = 0; i < buffer.Count(); ++i) (void)voltrim::QuoteCellTexts(buffer.At(i));
    if (buffer.Count() == 0) break;
    done += chunk;
  }
  voltrim::FreeSeriesBuffer(buffer);
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
      voltrim::SeriesBuffer counter;
      if (voltrim::AllocSeriesBuffer(counter, 1) != voltrim::kOk) continue;
      if (voltrim::ReadSeries(counter, dir, symbol, 0, 0) == voltrim::kOk)
        voltrim::WriteExportText(sink, dir, symbol, counter.Total(), settings);
      voltrim::FreeSeriesBuffer(counter);
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
