#pragma once

#include <cstdint>
#include <vector>

#include "check/check_finding.h"
#include "datafiles/format/series.h"

namespace voltrim {

// The stored quotes of one series as raw singles, as the check looks at them: it must see
// the dates and values as stored, not as the readers clean them up.
struct RawSeries {
  std::vector<float> values;  // fieldCount singles per quote
  int fieldCount = 0;
  int quotes = 0;
  bool complete = true;  // false when the file ends before the quotes its header counts
  ColumnLayout layout;
};

// The quote findings of one series (dates, prices, the first and last dates its index file
// holds, as record gives them); each finding gets the symbol, file and record of the
// template, and names the index file as indexFile.
void CheckSeriesQuotes(const RawSeries& series, const MasterRecord& record, const Finding& base,
                       std::vector<Finding>& out, const char* indexFile = "MASTER");

// True when a stored DateFloat (YYYMMDD) names a real calendar day the program can hold.
bool IsValidDateFloat(float dateFloat);

}  // namespace voltrim
