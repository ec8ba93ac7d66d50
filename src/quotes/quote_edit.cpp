#include "quotes/quote_edit.h"

#include "datafiles/format/encodings.h"
#include "datafiles/format/xmaster.h"
#include "prompt/user_prompt.h"
#include "quotes/edit_records.h"
#include "quotes/quote_messages.h"
#include "text/number_parse.h"
#include "text/time_text.h"

namespace voltrim {

QuoteNavigationEnabled NavigationEnabled(int currentRow, int rowCount) {
  QuoteNavigationEnabled enabled;
  enabled.next = enabled.last = currentRow != 0;
  enabled.previous = enabled.first = currentRow != rowCount - 1;
  return enabled;
}

int Navigate(QuoteNavigation button, int currentRow, int rowCount) {
  switch (button) {
    case QuoteNavigation::First:
      return rowCount - 1;
    case QuoteNavigation::Last:
      return 0;
    case QuoteNavigation::Next:
      return currentRow != 0 ? currentRow - 1 : currentRow;
    case QuoteNavigation::Previous:
      return currentRow < rowCount - 1 ? currentRow + 1 : currentRow;
  }
  return currentRow;
}

std::optional<SeriesEdit> BuildQuoteEdit(const QuoteEditInput& input) {
  const DayNumber day = ParseUserDate(input.entered.date);
  if (day == 0) return std::nullopt;
  SeriesEdit edit;
  edit.kind = edit_kind::kSet;
  edit.firstDay = edit.lastDay = day;
  edit.fieldsToSet = 0;
  if (!input.loaded.time.empty()) {
    const std::optional<PackedTime> time = ParseTimeText(input.loaded.time);
    if (!time) return std::nullopt;
    edit.atTime = true;
    edit.time = *time;
    if (input.entered.time != input.loaded.time) {
      const std::optional<PackedTime> newTime = ParseTimeText(input.entered.time);
      if (!newTime) return std::nullopt;
      edit.setTime = *newTime != *time;
      edit.newTime = *newTime;
    }
  }
  for (std::size_t i = 0; i < edit.values.size(); ++i) {
    if (input.entered.values[i] == input.loaded.values[i]) continue;
    const std::optional<float> value = ParseNumberText(input.entered.values[i]);
    if (!value) continue;
    edit.values[i] = *value;
    edit.fieldsToSet = static_cast<std::uint8_t>(edit.fieldsToSet | (1u << i));
  }
  return edit;
}

QuoteValues ValuesAfterEdit(const QuoteEditInput& input, const Quote& stored,
                            const std::array<bool, kQuoteValueFields>& held) {
  QuoteValues after;
  after.held = held;
  for (std::size_t i = 0; i < after.value.size(); ++i) {
    after.value[i] = stored.Value(kValueFields[i]);
    if (input.entered.values[i] == input.loaded.values[i]) continue;
    // As BuildQuoteEdit: a changed text that reads as no number leaves the stored value.
    if (const std::optional<float> typed = ParseNumberText(input.entered.values[i])) {
      after.value[i] = *typed;
    }
  }
  return after;
}

std::array<bool, kQuoteValueFields> HeldValueFields(const std::string& portfolioDir,
                                                    const std::string& symbol,
                                                    const Quote& stored) {
  std::array<bool, kQuoteValueFields> held{};
  SeriesLocation location;
  const bool located = LocateAnySeries(portfolioDir, symbol, location) == kOk;
  for (std::size_t i = 0; i < held.size(); ++i) {
    held[i] =
        located ? location.layout.Has(kValueFields[i]) : stored.Value(kValueFields[i]) >= 0.0f;
  }
  return held;
}

std::optional<std::string> ContradictionQuestion(const QuoteValues& after) {
  static constexpr std::array<const char*, kQuoteValueFields> kNames = {
      "Open", "High", "Low", "Close", "Volume", "Open Interest"};
  std::string text;
  for (const QuoteRuleBreach& breach : BrokenQuoteRules(after)) {
    const std::string name = kNames[static_cast<std::size_t>(breach.field)];
    switch (breach.rule) {
      case QuoteRule::NotFinite:
        text += name + " is too large to store.\n";
        break;
      case QuoteRule::NegativeValue:
        text += name + " is below zero.\n";
        break;
      case QuoteRule::HighBelowLow:
        text += "High is below Low.\n";
        break;
      case QuoteRule::OutsideRange:
        text +=
            name + (after.value[static_cast<std::size_t>(breach.field)] > after.value[kHighValue]
                        ? " is above High.\n"
                        : " is below Low.\n");
        break;
    }
  }
  if (text.empty()) return std::nullopt;
  return text + "\nSave anyway?";
}

QuoteCommandOutcome RunQuoteEdit(const QuoteSeriesContext& series, const QuoteEditInput& input,
                                 QuoteCommandIo io) {
  QuoteCommandOutcome outcome;
  const std::optional<SeriesEdit> edit = BuildQuoteEdit(input);
  Status status = kBadRequest;
  if (edit) {
    WaitCursor wait(io.prompt);
    status = RewriteSeries(*edit, series.portfolioDir, series.symbol, &outcome.barsChanged);
  }
  if (status != kOk) {
    io.prompt.ShowMessage(
        quote_messages::FailureText(status, quote_messages::kSingleDateEditFailed));
    return outcome;
  }
  if (io.settings) RecordQuoteEdit(*io.settings, input.entered);
  outcome.succeeded = outcome.reloadGrid = true;
  outcome.rowToShow = 0;
  return outcome;
}

}  // namespace voltrim
