#pragma once

#include <string>
#include <vector>

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
};
bool LoadSeries(const std::string& portfolioDir, const std::string& symbol, LoadedSeries& out);

// The grid row (newest first) of the first quote dated dateText, or -1.
int RowOfDate(const LoadedSeries& view, const std::string& dateText);

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
