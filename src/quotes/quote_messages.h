#pragma once

#include "datafiles/io/portfolio_lock.h"
#include "datafiles/status.h"

namespace voltrim::quote_messages {

// What the quote commands tell the user, word for word.
inline constexpr char kSingleDateEditFailed[] = "Single Date Edit Failed";
inline constexpr char kSplitEditFailed[] = "Split Edit Failed";
inline constexpr char kAdjustEditFailed[] = "Adjust Edit Failed";
inline constexpr char kDeleteEditFailed[] = "Delete Edit Failed";
inline constexpr char kAddQuoteFailed[] = "Add Quote Failed";
inline constexpr char kInvalidDataEntered[] = "Invalid Data Entered";
inline constexpr char kDeleteFindFailed[] = "failure in delete quote for findrec";
inline constexpr char kDateExistsFormat[] = "Date %s already exists.";
inline constexpr char kDeleteConfirmStart[] = "You are about to delete the data for date\n";
inline constexpr char kDeleteConfirmEnd[] = "\nAre you sure?";
// A text longer than its field takes (a grid text can be) refuses OK; %d is the limit.
inline constexpr char kTooManyCharactersFormat[] = "Please enter no more than %d characters.";
// The quote is gone but MASTER still names it as the first or last date.
inline constexpr char kDeleteDatesStale[] =
    "The quote was deleted, but the first and last dates\nof the symbol in MASTER could "
    "not be updated.";
// A bar's new time would move it past the bar before or after it on its day (%s: times).
inline constexpr char kTimeBetweenFormat[] =
    "Choose a time between %s and %s, the times of the bars before and after this one.";
inline constexpr char kTimeAfterFormat[] =
    "Choose a time after %s, the time of the bar before this one.";
inline constexpr char kTimeBeforeFormat[] =
    "Choose a time before %s, the time of the bar after this one.";
// The same for a series XMASTER lists.
inline constexpr char kDeleteXmasterDatesStale[] =
    "The quote was deleted, but the first and last dates\nof the symbol in XMASTER could "
    "not be updated.";
// Another writer held the portfolio past the wait; shown instead of the command's failure.
inline constexpr const char* kPortfolioBusy = kPortfolioBusyMessage;

// The message for a failed rewrite: the busy text when another writer kept the portfolio,
// else the command's own failure text.
inline const char* FailureText(Status status, const char* commandFailed) {
  return status == voltrim::kPortfolioBusy ? kPortfolioBusy : commandFailed;
}

}  // namespace voltrim::quote_messages
