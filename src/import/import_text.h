#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/write/import_quotes.h"

namespace voltrim {

// Reading quotes from the text files users have: Voltrim's own CSV and text exports, and
// the Date,Open,High,Low,Close[,Adj Close],Volume[,OpenInt] files of data sites.
//
// - Delimiter: the first line's tab, else semicolon, else comma, else blanks (a run of
//   blanks is one delimiter). Fields may stand in double quotes ("" for a quote).
// - Header: the first line names the columns unless its first field is a date. Names are
//   matched ignoring case, blanks, "_", "." and angle brackets: date (or timestamp,
//   datetime), time, open, high, low, close, volume (vol), openint (open interest, oi).
//   Any other column is read as nothing and named once. Without a header the columns are
//   date, time (when the second field holds a ':'), open, high, low, close, volume and open
//   interest, as the text export writes them.
// - Dates: YYYY-MM-DD, YYYYMMDD, MM/DD/YYYY and MM/DD/YY (00-59 are 2000-2059); a date may
//   carry its time after a blank or a "T". Times: HH:MM:SS, HH:MM, HHMMSS, HHMM.
// - Values: decimals with "." (an exponent allowed), read to the nearest single; an empty
//   field or "N/A" holds no value. A column with no value on any line is one the file
//   lacks; a column with values must have one on every line.
// - Line ends LF, CR LF or CR; blank lines are passed over; a UTF-8 byte order mark is
//   ignored.

// What a column of the file holds.
enum class ImportColumn {
  kDate, kTime, kOpen, kHigh, kLow, kClose, kVolume, kOpenInterest, kNone,
  kSymbol, kPeriod  // only in a file of many symbols
};

struct ImportText {
  char delimiter = ',';
  bool header = false;
  std::vector<std::string> names;     // each column's name as the header gives it, or ""
  std::vector<ImportColumn> columns;  // what each column holds
  std::vector<ImportQuote> quotes;    // in file order, line numbers from 1
  // The fields with a value on the lines (by Field; Date always, Time when a time was read).
  std::array<bool, kFieldKindCount> given{};
  // The header names of the columns read as nothing, in file order.
  std::vector<std::string> ignored;
  // The file's name for each field it holds (by Field), for messages.
  std::array<std::string, kFieldKindCount> fieldNames;
  // A file of many symbols only: per quote its symbol and periodicity cell, and the fields
  // it gave a value (bit f for Field f), for the check each symbol's lines get on their own.
  std::vector<std::string> symbols;
  std::vector<std::string> periods;
  std::vector<std::uint8_t> present;
};

struct ImportTextError {
  int line = 0;        // 1-based; 0 when the file as a whole is at fault
  std::string reason;  // without a full stop: "\"2001-02-30\" is not a date"
};

// Reads the whole text; false (with the first line that cannot be read) when any line
// cannot be read or there is no quote at all.
bool ParseImportText(std::string_view text, ImportText& out, ImportTextError& error);

// The same for a file of quotes of many symbols: a header names a symbol column (symbol or
// ticker) and may name a periodicity column (per or period); each line's symbol and
// periodicity are kept, and whether every line of a symbol has the columns its other lines
// have is left to the caller (a column may hold values for some symbols alone).
bool ParseSymbolImportText(std::string_view text, ImportText& out, ImportTextError& error);

// The name the program gives a field in its windows and messages: "Date", "Time", "Open",
// ..., "Volume", "Open Interest".
const char* ImportFieldTitle(Field field);

}  // namespace voltrim
