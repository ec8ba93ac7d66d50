#pragma once

#include <QCommandLineParser>

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"
#include "datafiles/format/intraday.h"
#include "datafiles/format/xmaster.h"
#include "quotes/quote_command.h"

namespace voltrim::cli {

// Shared steps of the commands that change a portfolio (argument parsing and printing are
// cli_common's).

// What the browser would hold for the series: the quote count, the first and last date
// texts and the date texts of the grid rows (newest first). On failure the reason is
// shown on stderr and false returned.
struct LoadedSeries {
  QuoteSeriesContext context;
  std::vector<std::string> rowDates;
  std::vector<BarKey> rowBars;  // the rows' dates and times (a series with a time of day)
};
bool LoadSeries(const std::string& portfolioDir, const std::string& symbol, LoadedSeries& out);

// The grid row (newest first) of the first quote dated dateText, or -1.
int RowOfDate(const LoadedSeries& view, const std::string& dateText);

// The grid row of the first quote in the file (the last row) dated dateText, or -1: the
// quote a command by date alone deletes or copies.
int FirstInFileOfDate(const LoadedSeries& view, const std::string& dateText);

// The --time option of edit, add-quote and delete-quote (a series with a time of day).
struct TimeArgument {
  bool given = false;
  PackedTime time = 0;
  std::string text;  // HH:MM:SS
};
// Reads a time option; nullopt after a usage error for a text that is no time.
std::optional<TimeArgument> ReadTimeOption(const Command& command, const QCommandLineParser& parser,
                                           const QCommandLineOption& option);
// A time named for a series without one is refused: true after the usage error.
bool RefuseTimeForDaily(const Command& command, const LoadedSeries& view, const std::string& symbol,
                        const TimeArgument& time);

// What a write did to a series with a time of day, one line on stdout: "Changed 78 bars
// dated 11/15/13." or, for one bar named by its time, "Deleted 1 bar: 11/15/13 09:15:00."
void PrintBarsChanged(const char* verb, int bars, const std::string& dateText,
                      const std::string& timeText);

// The symbols-grid row showing symbol (exactly, else ignoring case; MASTER's rows before
// XMASTER's), with its texts as the grid shows them. False (after a message on stderr)
// when no row shows it.
struct SymbolRow {
  int row = -1;  // the record's place in the index file that lists it
  std::string symbol;
  std::string name;
  IndexFile index = IndexFile::kMaster;
};
bool FindSymbolRow(const std::string& portfolioDir, const std::string& symbol, SymbolRow& out);

// Whether text could stand in a date entry field: MM/DD/YY, digits and the two slashes.
bool TypeableDate(const std::string& text);

// Whether text could stand in a numeric entry field of maxChars characters by typing.
bool TypeableNumber(const std::string& text, int maxChars);

}  // namespace voltrim::cli
