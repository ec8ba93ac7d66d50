#pragma once

#include <optional>
#include <string>
#include <vector>

#include "datafiles/write/rewrite_series.h"
#include "quotes/quote_command.h"

namespace voltrim {

// Delete: the confirmation asked when the Delete Data dialog's OK is pressed.
std::string DeleteQuoteQuestion(const std::string& dateText);

// After the dialog closed with OK: removes the first quote dated dateText (with a timeText,
// HH:MM:SS, the first at that date and time). When there is no such quote the user sees
// "failure in delete quote for findrec" and then "Delete Edit Failed". On success records
// section Delete and reloads with row 0.
QuoteCommandOutcome RunDeleteQuote(const QuoteSeriesContext& series, const std::string& dateText,
                                   QuoteCommandIo io, const std::string& timeText = {});

// Add is offered on every quote but the oldest (the last grid row).
bool AddQuoteAvailable(int currentRow, int rowCount);

// The date of the quote Add would insert before the quote dated currentDateText: the
// weekday before it, MM/DD/YY.
std::string AddQuoteNewDateText(const std::string& currentDateText);

// Before the Add Data dialog: the new date, or nothing (after "Date %s already exists.")
// when a grid row already shows it. gridDateTexts: column 0 of every grid row.
std::optional<std::string> PlanAddQuote(const std::string& currentDateText,
                                        const std::vector<std::string>& gridDateTexts,
                                        UserPrompt& prompt);

// The day whose quote the new one copies: the weekday after the new date (the current
// quote's own day when that is a weekday).
DayNumber AddQuoteSourceDay(const std::string& newDateText);

// After the Add Data dialog's OK: inserts a copy of the first quote of the source day,
// dated newDateText. A source day without a quote (a weekend quote whose Monday is
// missing) is refused like any failed rewrite: "Add Quote Failed", nothing written, reload
// with row 0. On success: record section Add, reload with the new quote's row
// (currentRow + 1) current and open the quote editor on it.
QuoteCommandOutcome RunAddQuote(const QuoteSeriesContext& series, const std::string& newDateText,
                                int currentRow, QuoteCommandIo io);

}  // namespace voltrim
