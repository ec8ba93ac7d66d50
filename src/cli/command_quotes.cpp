// voltrim-cli quotes DIR SYMBOL: the quotes grid of one series.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "browser/grid_text.h"
#include "browser/series_view.h"
#include "cli/cli_common.h"
#include "text/time_text.h"

namespace voltrim::cli {

namespace {

int RunQuotes(const QStringList& arguments);

const Command kQuotes{"quotes", "quotes DIR SYMBOL [--oldest-first]",
                      "prints the quotes of a symbol, newest first", RunQuotes};

// The grid's cells, written straight into one line: a long series has tens of thousands.
// withTime: the series has a time of day, printed after the date as the grid shows it.
void PrintRow(const Quote& quote, bool withTime) {
  char line[kQuoteRowTextMax + 32];
  char* end = WriteQuoteCells(line, quote, '\t');
  if (withTime) {
    const std::string time = "\t" + FormatTimeText(quote.time);
    char* dateEnd = std::find(line, end, '\t');
    std::memmove(dateEnd + time.size(), dateEnd, static_cast<std::size_t>(end - dateEnd));
    std::memcpy(dateEnd, time.data(), time.size());
    end += time.size();
  }
  *end++ = '\n';
  std::fwrite(line, 1, static_cast<std::size_t>(end - line), stdout);
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
                          "grid shows them (N/A for a field the series does not hold). A series\n"
                          "with a time of day has its time (HH:MM:SS) after the date."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string symbol = TextArgument(positional[1]);

  SeriesView view;
  const Status opened = view.Open(*dir, symbol);
  if (opened != kOk) return ReportReadError(opened, symbol, *dir);
  const QuoteOrder order =
      parser.isSet(oldestFirst) ? QuoteOrder::kOldestFirst : QuoteOrder::kNewestFirst;
  const bool withTime = view.Location().layout.Has(Field::Time);
  const Status read =
      view.ReadQuotes(order, [withTime](const Quote& quote) { PrintRow(quote, withTime); });
  if (view.EndedShort()) {
    // Say so rather than show some quotes twice or leave a hole without a word.
    PrintFailure("Error in FillQuotesGrid");
    PrintError(symbol + ": the data file holds fewer quotes than its header counts");
    return kExitFailed;
  }
  if (read != kOk) return ReportReadError(read, symbol, *dir);
  return kExitOk;
}

const CommandRegistration kQuotesRegistration(kQuotes);

}  // namespace

}  // namespace voltrim::cli
