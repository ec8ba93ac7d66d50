#pragma once

#include <optional>
#include <string>

#include "datafiles/write/rewrite_series.h"
#include "quotes/quote_command.h"

namespace voltrim {

// Texts of the Split Data dialog.
struct SplitTexts {
  std::string date;
  std::string newShares;
  std::string oldShares;
};

// Texts of the Adjust Data dialog.
struct AdjustTexts {
  std::string fromDate;
  std::string toDate;
  std::string priceMultiplier;
  std::string volumeMultiplier;
  std::string openInterestMultiplier;
};

// The OK checks. Every check is made; on any failure "Invalid Data Entered" is shown and
// false returned (the dialog stays open). Besides the dialogs' own rules, a ratio or
// multiplier that is not a number at all, or a factor too large to be stored, is refused
// here, so no undefined factor reaches the rewrite.
bool CheckSplitEntries(const SplitTexts& entered, const QuoteSeriesContext& series,
                       UserPrompt& prompt);
bool CheckAdjustEntries(const AdjustTexts& entered, const QuoteSeriesContext& series,
                        UserPrompt& prompt);

// The scale requests of entries that passed their checks: Split scales every quote before
// the split day (prices by old/new, volume and open interest by new/old, each quotient in
// single precision); Adjust the quotes from..to, both included.
std::optional<SeriesEdit> BuildSplitEdit(const SplitTexts& entered);
std::optional<SeriesEdit> BuildAdjustEdit(const AdjustTexts& entered);

// After OK: rewrite; on failure the command's message; on success its record in the
// settings store and a reload with the newest quote current.
QuoteCommandOutcome RunSplit(const QuoteSeriesContext& series, const SplitTexts& entered,
                             QuoteCommandIo io);
QuoteCommandOutcome RunAdjust(const QuoteSeriesContext& series, const AdjustTexts& entered,
                              QuoteCommandIo io);

}  // namespace voltrim
