// voltrim-cli quotes DIR SYMBOL: the quotes grid of one series.
#include <algorithm>
#include <string>

#include "browser/grid_text.h"
#include "cli/cli_common.h"
#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"

namespace voltrim::cli {

namespace {

int RunQuotes(const QStringList& arguments);

const Command kQuotes{"quotes", "quotes DIR SYMBOL [--oldest-first]",
                      "prints the quotes of a symbol, newest first", RunQuotes};

// Same window as the desktop grid: memory stays flat whatever the series' length.
constexpr int kWindow = 400;

// Owns a series buffer for the life of a command.
class WindowBuffer {
 public:
  WindowBuffer() { status_ = AllocSeriesBuffer(buffer_, kWindow); }
  ~WindowBuffer() { FreeSeriesBuffer(buffer_); }
  WindowBuffer(const WindowBuffer&) = delete;
  WindowBuffer& operator=(const WindowBuffer&) = delete;
  Status status() const { return status_; }
  SeriesBuffer& get() { return buffer_; }

 private:
  SeriesBuffer buffer_;
  Status status_ = kOk;
};

void PrintRow(const Quote& quote) {
  const QuoteRowTexts cells = QuoteCellTexts(quote);
  std::string line = cells[0];
  for (std::size_t i = 1; i < cells.size(); ++i) line += "\t" + cells[i];
  PrintLine(line);
}

int ReportReadError(Status status, const std::string& symbol, const std::string& dir) {
  if (status == kFileNotFound) {
    PrintError(SymbolNotFoundText(symbol, dir));
  } else {
    PrintFailure("Error in FillQuotesGrid");
    PrintError(SeriesProblemText(dir, symbol, status));
  }
  return kExitFailed;
}

int RunQuotes(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption oldestFirst(QStringLiteral("oldest-first"),
                                       QStringLiteral("Prints the oldest quote first."));
  parser.addOption(oldestFirst);
  QStringList positional;
  const ArgumentSpec plan{kQuotes, 2, 2,
                          "Prints one line per quote, newest first: date (MM/DD/YY), open, high,\n"
                          "low, close, volume and open interest, TAB-separated, as the quotes\n"
                          "grid shows them (N/A for a field the series does not hold)."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);

  WindowBuffer buffer;
  if (buffer.status() != kOk) {
    PrintError("Too many bars");
    return kExitFailed;
  }
  // Looked up and opened once, then read window after window.
  SeriesLocation location;
  SeriesReader reader;
  Status status = LocateAnySeries(*dir, symbol, location);
  if (status == kOk) status = reader.Open(location);
  if (status != kOk) return ReportReadError(status, symbol, *dir);
  const int total = reader.Total();
  const bool newestFirst = !parser.isSet(oldestFirst);

  for (int done = 0; done < total;) {
    const int chunk = std::min(total - done, kWindow);
    const int start = newestFirst ? total - done - chunk : done;
    status = reader.Read(buffer.get(), start, chunk);
    if (status != kOk) return ReportReadError(status, symbol, *dir);
    const SeriesBuffer& quotes = buffer.get();
    // A file shorter than its header says would otherwise show some quotes twice or
    // leave a hole without a word; stop and say so.
    if (quotes.Count() != chunk) {
      PrintFailure("Error in FillQuotesGrid");
      PrintError(symbol + ": the data file holds fewer quotes than its header counts");
      return kExitFailed;
    }
    for (int i = 0; i < chunk; ++i) PrintRow(quotes.At(newestFirst ? chunk - 1 - i : i));
    done += chunk;
  }
  return kExitOk;
}

const CommandRegistration kRegistration(kQuotes);

}  // namespace

}  // namespace voltrim::cli
