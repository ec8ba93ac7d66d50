#pragma once

#include <array>
#include <optional>
#include <string>

#include "datafiles/format/series.h"
#include "datafiles/write/rewrite_series.h"
#include "quotes/quote_command.h"
#include "quotes/quote_rules.h"

namespace voltrim {

// The seven texts of the Edit Selected Quote dialog: the date and Open, High, Low, Close,
// Volume, Open Interest.
struct QuoteEditTexts {
  std::string date;
  std::array<std::string, 6> values;
  std::string time{};  // HH:MM:SS of a bar of a series with a time of day; empty otherwise
};

// The dialog's texts as Load put them (the grid row) and as they stand at OK.
struct QuoteEditInput {
  QuoteEditTexts loaded;
  QuoteEditTexts entered;
};

// Navigation among the grid rows (row 0 is the newest quote).
enum class QuoteNavigation { First, Previous, Next, Last };
struct QuoteNavigationEnabled {
  bool previous = false;
  bool next = false;
  bool first = false;
  bool last = false;
};
QuoteNavigationEnabled NavigationEnabled(int currentRow, int rowCount);
int Navigate(QuoteNavigation button, int currentRow, int rowCount);

// The set request for the quotes dated as shown. Only fields whose text the user changed
// and that read as a number are written; every other field keeps its stored bytes, so an
// untouched field is never rounded to the grid's decimals and "N/A" never reaches the
// file. Nothing when the date text names no day. With a time loaded (a bar of a series
// with a time of day) the request is for that bar alone, and a changed time moves it
// there; nothing when either time is no time.
std::optional<SeriesEdit> BuildQuoteEdit(const QuoteEditInput& input);

// The values the quote will hold once the edit is written: the typed value of each field
// the user changed and that reads as a number, the stored value of every other one.
QuoteValues ValuesAfterEdit(const QuoteEditInput& input, const Quote& stored,
                            const std::array<bool, kQuoteValueFields>& held);

// Which value fields the series holds, from its column layout; when that cannot be read,
// those whose stored value is shown (not below zero).
std::array<bool, kQuoteValueFields> HeldValueFields(const std::string& portfolioDir,
                                                    const std::string& symbol, const Quote& stored);

// The one question OK asks when the values to be written break the rules the portfolio
// check applies to a quote, such as "High is below Low.\n\nSave anyway?"; nothing when
// they keep them.
std::optional<std::string> ContradictionQuestion(const QuoteValues& after);

// After OK: rewrites the series; on failure "Single Date Edit Failed"; on success records
// the texts in section Edit and reloads the grid with the newest quote current.
QuoteCommandOutcome RunQuoteEdit(const QuoteSeriesContext& series, const QuoteEditInput& input,
                                 QuoteCommandIo io);

}  // namespace voltrim
