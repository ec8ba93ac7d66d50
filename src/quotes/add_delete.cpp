#include "quotes/add_delete.h"

#include <algorithm>
#include <cstdio>

#include "datafiles/format/encodings.h"
#include "prompt/user_prompt.h"
#include "quotes/edit_records.h"
#include "quotes/quote_messages.h"
#include "text/time_text.h"

namespace voltrim {

std::string DeleteQuoteQuestion(const std::string& dateText) {
  return std::string(quote_messages::kDeleteConfirmStart) + dateText +
         quote_messages::kDeleteConfirmEnd;
}

QuoteCommandOutcome RunDeleteQuote(const QuoteSeriesContext& series, const std::string& dateText,
                                   QuoteCommandIo io, const std::string& timeText) {
  QuoteCommandOutcome outcome;
  const DayNumber day = ParseUserDate(dateText);
  const std::optional<PackedTime> time =
      timeText.empty() ? std::optional<PackedTime>(0) : ParseTimeText(timeText);
  Status status = kBadRequest;
  if (day != 0 && time) {
    SeriesEdit edit;
    edit.kind = edit_kind::kDelete;
    edit.firstDay = edit.lastDay = day;
    edit.atTime = !timeText.empty();
    edit.time = *time;
    WaitCursor wait(io.prompt);
    status = RewriteSeries(edit, series.portfolioDir, series.symbol, &outcome.barsChanged);
  }
  if (status == kQuoteNotFound) io.prompt.ShowMessage(quote_messages::kDeleteFindFailed);
  if (status == kMasterDatesNotUpdated || status == kXmasterDatesNotUpdated) {
    // The quote is gone: show the series as it now stands, and say what is stale.
    io.prompt.ShowMessage(status == kMasterDatesNotUpdated
                              ? quote_messages::kDeleteDatesStale
                              : quote_messages::kDeleteXmasterDatesStale);
    if (io.settings) RecordDeleteQuote(*io.settings, dateText, timeText);
    outcome.reloadGrid = outcome.partlyDone = true;
    return outcome;
  }
  if (status != kOk) {
    io.prompt.ShowMessage(quote_messages::FailureText(status, quote_messages::kDeleteEditFailed));
    return outcome;
  }
  if (io.settings) RecordDeleteQuote(*io.settings, dateText, timeText);
  outcome.succeeded = outcome.reloadGrid = true;
  return outcome;
}

bool AddQuoteAvailable(int currentRow, int rowCount) {
  return rowCount > 0 && currentRow != rowCount - 1;
}

std::string AddQuoteNewDateText(const std::string& currentDateText) {
  return FormatUserDate(PreviousWeekday(ParseUserDate(currentDateText)));
}

std::optional<std::string> PlanAddQuote(const std::string& currentDateText,
                                        const std::vector<std::string>& gridDateTexts,
                                        UserPrompt& prompt) {
  std::string newDate = AddQuoteNewDateText(currentDateText);
  if (std::find(gridDateTexts.begin(), gridDateTexts.end(), newDate) != gridDateTexts.end()) {
    char text[64];
    std::snprintf(text, sizeof text, quote_messages::kDateExistsFormat, newDate.c_str());
    prompt.ShowMessage(text);
    return std::nullopt;
  }
  return newDate;
}

DayNumber AddQuoteSourceDay(const std::string& newDateText) {
  return NextWeekday(ParseUserDate(newDateText));
}

QuoteCommandOutcome RunAddQuote(const QuoteSeriesContext& series, const std::string& newDateText,
                                int currentRow, QuoteCommandIo io) {
  QuoteCommandOutcome outcome;
  outcome.reloadGrid = true;  // also after a failure, so the grid shows what is stored
  const DayNumber newDay = ParseUserDate(newDateText);
  Status status = kBadRequest;
  if (newDay != 0) {
    SeriesEdit edit;
    edit.kind = edit_kind::kInsert;
    edit.firstDay = edit.lastDay = AddQuoteSourceDay(newDateText);
    WaitCursor wait(io.prompt);
    status = RewriteSeries(edit, series.portfolioDir, series.symbol, &outcome.barsChanged);
  }
  if (status != kOk) {
    io.prompt.ShowMessage(quote_messages::FailureText(status, quote_messages::kAddQuoteFailed));
    outcome.rowToShow = 0;
    return outcome;
  }
  if (io.settings) RecordAddQuote(*io.settings, newDateText);
  outcome.succeeded = true;
  outcome.rowToShow = currentRow + 1;
  outcome.openEditor = true;
  return outcome;
}

}  // namespace voltrim
