#include "quotes/split_adjust.h"

#include "datafiles/format/encodings.h"
#include "datafiles/io/change_journal.h"
#include "prompt/user_prompt.h"
#include "quotes/edit_records.h"
#include "quotes/quote_messages.h"
#include "text/number_parse.h"

namespace voltrim {

namespace {

// A date as the dialogs take it: eight characters, no blank, naming a day.
std::optional<DayNumber> DialogDay(const std::string& text) {
  if (text.size() != 8 || text.find(' ') != std::string::npos) return std::nullopt;
  const DayNumber day = ParseUserDate(text);
  if (day == 0) return std::nullopt;
  return day;
}

bool WithinSeries(DayNumber day, const QuoteSeriesContext& series) {
  return day >= ParseUserDate(series.firstDateText) && day <= ParseUserDate(series.lastDateText);
}

// A factor the rewrite can use: a number, not zero, storable.
std::optional<float> Factor(const std::string& text) {
  const std::optional<float> value = ParseNumberText(text);
  if (!value || *value == 0.0f || !HasMbfForm(*value)) return std::nullopt;
  return value;
}

SeriesEdit ScaleEdit(DayNumber firstDay, DayNumber lastDay, float price, float volume,
                     float openInterest) {
  SeriesEdit edit;
  edit.kind = edit_kind::kScaleRange;
  edit.firstDay = firstDay;
  edit.lastDay = lastDay;
  edit.values = {price, price, price, price, volume, openInterest};
  return edit;
}

QuoteCommandOutcome RunScale(const QuoteSeriesContext& series,
                             const std::optional<SeriesEdit>& edit, const char* failureMessage,
                             const std::string& change, UserPrompt& prompt) {
  QuoteCommandOutcome outcome;
  Status status = kBadRequest;
  if (edit) {
    WaitCursor wait(prompt);
    // Edit > Undo names a split as one, though it is stored as a scaling.
    const NameNextChange name(change);
    status = RewriteSeries(*edit, series.portfolioDir, series.symbol);
  }
  if (status != kOk) {
    prompt.ShowMessage(quote_messages::FailureText(status, failureMessage));
    return outcome;
  }
  outcome.succeeded = outcome.reloadGrid = true;
  outcome.rowToShow = 0;
  return outcome;
}

}  // namespace

bool CheckSplitEntries(const SplitTexts& entered, const QuoteSeriesContext& series,
                       UserPrompt& prompt) {
  const std::optional<DayNumber> day = DialogDay(entered.date);
  bool valid = day && WithinSeries(*day, series);
  valid = BuildSplitEdit(entered).has_value() && valid;
  if (!valid) prompt.ShowMessage(quote_messages::kInvalidDataEntered);
  return valid;
}

bool CheckAdjustEntries(const AdjustTexts& entered, const QuoteSeriesContext& series,
                        UserPrompt& prompt) {
  const std::optional<DayNumber> from = DialogDay(entered.fromDate);
  const std::optional<DayNumber> to = DialogDay(entered.toDate);
  bool valid = from && to && WithinSeries(*from, series) && WithinSeries(*to, series);
  valid = BuildAdjustEdit(entered).has_value() && valid;
  if (!valid) prompt.ShowMessage(quote_messages::kInvalidDataEntered);
  return valid;
}

std::optional<SeriesEdit> BuildSplitEdit(const SplitTexts& entered) {
  const std::optional<DayNumber> day = DialogDay(entered.date);
  const std::optional<float> newShares = Factor(entered.newShares);
  const std::optional<float> oldShares = Factor(entered.oldShares);
  if (!day || !newShares || !oldShares) return std::nullopt;
  const float price = *oldShares / *newShares;
  const float volume = *newShares / *oldShares;
  if (price == 0.0f || volume == 0.0f || !HasMbfForm(price) || !HasMbfForm(volume)) {
    return std::nullopt;
  }
  return ScaleEdit(0, static_cast<DayNumber>(*day - 1), price, volume, volume);
}

std::optional<SeriesEdit> BuildAdjustEdit(const AdjustTexts& entered) {
  const std::optional<DayNumber> from = DialogDay(entered.fromDate);
  const std::optional<DayNumber> to = DialogDay(entered.toDate);
  const std::optional<float> price = Factor(entered.priceMultiplier);
  const std::optional<float> volume = Factor(entered.volumeMultiplier);
  const std::optional<float> openInterest = Factor(entered.openInterestMultiplier);
  if (!from || !to || !price || !volume || !openInterest) return std::nullopt;
  return ScaleEdit(*from, *to, *price, *volume, *openInterest);
}

QuoteCommandOutcome RunSplit(const QuoteSeriesContext& series, const SplitTexts& entered,
                             QuoteCommandIo io) {
  QuoteCommandOutcome outcome =
      RunScale(series, BuildSplitEdit(entered), quote_messages::kSplitEditFailed,
               "Split " + series.symbol, io.prompt);
  if (outcome.succeeded && io.settings) RecordSplit(*io.settings, entered);
  return outcome;
}

QuoteCommandOutcome RunAdjust(const QuoteSeriesContext& series, const AdjustTexts& entered,
                              QuoteCommandIo io) {
  QuoteCommandOutcome outcome =
      RunScale(series, BuildAdjustEdit(entered), quote_messages::kAdjustEditFailed,
               "Adjust " + series.symbol, io.prompt);
  if (outcome.succeeded && io.settings) RecordAdjust(*io.settings, entered);
  return outcome;
}

}  // namespace voltrim
