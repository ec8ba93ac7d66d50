#pragma once

#include <optional>
#include <string>
#include <vector>

#include "browser/browser_state.h"
#include "datafiles/format/intraday.h"
#include "quotes/quote_command.h"

namespace voltrim {

// The quote commands on a series with a time of day, where a command names one bar by its
// date and time. Bars lists are the grid's rows: newest first.

std::vector<BarKey> BarsOf(const QuoteTable& quotes);

// The message when newTime would move the bar of row past the bar before or after it on
// its day, which would put the file out of order; nothing when the bar keeps its place.
std::optional<std::string> NewTimeProblem(const std::vector<BarKey>& bars, int row,
                                          PackedTime newTime);

// The date and time the Add Data dialog proposes for a bar in front of the bar of row: its
// date, one time frame before its time (the most common step between the bars of a day,
// else a minute), not before 00:00:00; halfway to the bar before it on that day when that
// bar stands there already.
BarKey ProposeNewBar(const std::vector<BarKey>& bars, int row);

// The Add Data dialog's OK: the row of the bar the new one copies (the first in the file
// after the new date and time, in front of which it goes), or nothing after a message:
// "Date %s already exists." with the date and time when a bar has them; "Invalid Data
// Entered" when the texts are no date and time, or when no bar follows (nothing to copy)
// or the new bar would come before the first (as Add never adds before the first quote).
std::optional<int> CheckNewBar(const std::vector<BarKey>& bars, const std::string& dateText,
                               const std::string& timeText, UserPrompt& prompt);

// After the dialog's OK: inserts the new bar, a copy of the bar of sourceRow dated and
// timed as given. On failure "Add Quote Failed" and a reload with row 0; on success the
// record of section Add (Date and Time), a reload with the new bar current (sourceRow + 1,
// in front of the bar it copies) and the quote editor on it.
QuoteCommandOutcome RunAddBar(const QuoteSeriesContext& series, const std::string& dateText,
                              const std::string& timeText, int sourceRow, QuoteCommandIo io);

}  // namespace voltrim
