#include "cli/cli_write_common.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "browser/grid_text.h"
#include "browser/series_view.h"
#include "cli/cli_common.h"
#include "datafiles/format/ascii_case.h"
#include "datafiles/format/encodings.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/series.h"
#include "quotes/entry_fields.h"
#include "symbols/symbol_batch_commands.h"
#include "text/time_text.h"

namespace voltrim::cli {

bool LoadSeries(const std::string& portfolioDir, const std::string& symbol, LoadedSeries& out) {
  out = LoadedSeries{};
  out.context.portfolioDir = portfolioDir;
  out.context.symbol = symbol;
  SeriesView series;
  Status status = series.Open(portfolioDir, symbol);
  if (status == kOk) {
    status = series.ReadQuotes(QuoteOrder::kNewestFirst, [&](const Quote& quote) {
      out.rowDates.push_back(FormatUserDate(quote.date));
      out.rowBars.push_back({quote.date, quote.time});
    });
    // A file shorter than its header says: the dates it holds are the rows.
    if (series.EndedShort()) status = kOk;
  }
  if (status != kOk) {
    if (status == kFileNotFound) {
      PrintError(SymbolNotFoundText(symbol, portfolioDir));
    } else {
      PrintFailure(SeriesProblemText(portfolioDir, symbol, status));
    }
    return false;
  }
  out.context.quoteCount = series.Total();
  out.context.hasTime = series.Location().layout.Has(Field::Time);
  out.context.firstDateText = series.OldestDateText();
  out.context.lastDateText = series.NewestDateText();
  return true;
}

int RowOfDate(const LoadedSeries& view, const std::string& dateText) {
  const auto at = std::find(view.rowDates.begin(), view.rowDates.end(), dateText);
  return at == view.rowDates.end() ? -1 : static_cast<int>(at - view.rowDates.begin());
}

int FirstInFileOfDate(const LoadedSeries& view, const std::string& dateText) {
  const auto at = std::find(view.rowDates.rbegin(), view.rowDates.rend(), dateText);
  return at == view.rowDates.rend() ? -1 : static_cast<int>(view.rowDates.rend() - at) - 1;
}

std::optional<TimeArgument> ReadTimeOption(const Command& command, const QCommandLineParser& parser,
                                           const QCommandLineOption& option) {
  TimeArgument time;
  if (!parser.isSet(option)) return time;
  const std::string text = TextArgument(parser.value(option));
  const std::optional<PackedTime> parsed = ParseTimeText(text);
  if (!parsed) {
    UsageError(command, "--" + option.names().front().toStdString() +
                            " needs HH:MM or HH:MM:SS, not '" + text + "'");
    return std::nullopt;
  }
  time.given = true;
  time.time = *parsed;
  time.text = FormatTimeText(*parsed);
  return time;
}

bool RefuseTimeForDaily(const Command& command, const LoadedSeries& view, const std::string& symbol,
                        const TimeArgument& time) {
  if (!time.given || view.context.hasTime) return false;
  UsageError(command, symbol + " has no time of day: --time names a bar of a series that has one");
  return true;
}

void PrintBarsChanged(const char* verb, int bars, const std::string& dateText,
                      const std::string& timeText) {
  const std::string counted = std::to_string(bars) + (bars == 1 ? " bar" : " bars");
  PrintLine(std::string(verb) + " " + counted +
            (timeText.empty() ? " dated " + dateText : ": " + dateText + " " + timeText) + ".");
}

bool FindSymbolRow(const std::string& portfolioDir, const std::string& symbol, SymbolRow& out) {
  std::vector<voltrim::SymbolRow> rows;
  if (const Status status = ReadGridSymbols(portfolioDir, rows); status != kOk) {
    PrintFailure("The MASTER file of " + portfolioDir +
                 " cannot be read: " + DescribeStatus(status));
    return false;
  }
  const voltrim::SymbolRow* row = FindGridSymbol(rows, symbol);
  if (row == nullptr) {
    PrintError(SymbolNotFoundText(symbol, portfolioDir));
    return false;
  }
  out = SymbolRow{row->record, row->symbol, row->name, row->index};
  return true;
}

bool TypeableDate(const std::string& text) {
  if (text.size() != kDateFieldChars) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool slash = i == 2 || i == 5;
    if (slash ? text[i] != '/' : (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

bool TypeableNumber(const std::string& text, int maxChars) {
  if (text.empty() || text.size() > static_cast<std::size_t>(maxChars)) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 32 && NumericFieldAcceptsChar(c);
  });
}

}  // namespace voltrim::cli
