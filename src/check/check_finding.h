#pragma once

#include <string>
#include <vector>

#include "datafiles/format/encodings.h"

namespace voltrim {

// What a portfolio check can find. The names KindName gives are what the report prints
// and the Check window filters by.
enum class FindingKind : int {
  MasterCount = 0,      // the header's count disagrees with the records the file holds
  EmptySymbol,          // a record without symbol: the browser will offer the repair
  DuplicateFileNumber,  // two records name the same data file
  DuplicateSymbol,      // two records show the same symbol
  BadRecord,            // record length, field count or file number unusable
  MissingFile,          // the data file a record names is not there
  NotRegularFile,       // the data file is a folder, device, ...
  ShortFile,            // the data file holds fewer quotes than its header counts
  UnlistedFile,         // a data file in the folder that no record names
  UnreadableDop,        // a column file that is there but cannot be read
  DateOrder,            // a quote dated before the one stored ahead of it
  DuplicateDate,        // a quote with the date (and time) of the one ahead of it
  InvalidDate,          // a stored date that is not a day of the calendar
  HighBelowLow,
  OutsideRange,  // open or close outside high-low
  NegativeValue,
  NotFinite,        // infinite or not a number
  MasterFirstDate,  // MASTER's first date is not the first quote's date
  MasterLastDate,   // MASTER's last date is not the last quote's date
};
inline constexpr int kFindingKindCount = 19;

const char* KindName(FindingKind kind);

struct Finding {
  std::string symbol;  // as the symbols grid shows it; empty for the folder as a whole
  std::string file;    // "MASTER", "F3.DAT", ...
  FindingKind kind = FindingKind::MasterCount;
  std::string detail;
  int recordIndex = -1;  // the symbols grid row (MASTER's records, then XMASTER's); -1: none
  int quoteIndex = -1;   // 0-based from the oldest stored quote; -1 when none
  DayNumber date = 0;    // the quote's date when it is a valid day
};

struct CheckReport {
  std::vector<Finding> findings;
  int seriesChecked = 0;
  long long quotesChecked = 0;
};

}  // namespace voltrim
