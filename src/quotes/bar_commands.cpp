#include "quotes/bar_commands.h"

#include <algorithm>
#include <cstdio>

#include "datafiles/write/rewrite_series.h"
#include "prompt/user_prompt.h"
#include "quotes/edit_records.h"
#include "quotes/quote_messages.h"
#include "text/time_text.h"

namespace voltrim {

namespace {

constexpr int kDefaultStepSeconds = 60;

std::string Formatted(const char* pattern, const std::string& a, const std::string& b = {}) {
  char text[200];
  std::snprintf(text, sizeof text, pattern, a.c_str(), b.c_str());
  return text;
}

}  // namespace

std::vector<BarKey> BarsOf(const QuoteTable& quotes) {
  std::vector<BarKey> bars;
  bars.reserve(quotes.rows.size());
  for (const Quote& q : quotes.rows) bars.push_back({q.date, q.time});
  return bars;
}

std::optional<std::string> NewTimeProblem(const std::vector<BarKey>& bars, int row,
                                          PackedTime newTime) {
  const int count = static_cast<int>(bars.size());
  if (row < 0 || row >= count) return std::nullopt;
  const BarKey moved{bars[static_cast<std::size_t>(row)].day, newTime};
  // The rows below and above are the bars before and after it in the file.
  const BarKey* before = row + 1 < count ? &bars[static_cast<std::size_t>(row) + 1] : nullptr;
  const BarKey* after = row > 0 ? &bars[static_cast<std::size_t>(row) - 1] : nullptr;
  const bool beforeFits = !before || *before < moved;
  const bool afterFits = !after || moved < *after;
  if (beforeFits && afterFits) return std::nullopt;
  // Named by their times when they share the bar's day; a bar of another day bounds
  // nothing the user can type.
  const bool beforeSameDay = before && before->day == moved.day;
  const bool afterSameDay = after && after->day == moved.day;
  if (beforeSameDay && afterSameDay) {
    return Formatted(quote_messages::kTimeBetweenFormat, FormatTimeText(before->time),
                     FormatTimeText(after->time));
  }
  if (beforeSameDay)
    return Formatted(quote_messages::kTimeAfterFormat, FormatTimeText(before->time));
  if (afterSameDay)
    return Formatted(quote_messages::kTimeBeforeFormat, FormatTimeText(after->time));
  // Neighbours out of order in the file: no time of this day keeps the bar between them.
  return Formatted(quote_messages::kTimeBetweenFormat, FormatTimeText(before ? before->time : 0),
                   FormatTimeText(after ? after->time : 0));
}

BarKey ProposeNewBar(const std::vector<BarKey>& bars, int row) {
  if (row < 0 || row >= static_cast<int>(bars.size())) return {};
  IntradayProfile profile;
  for (auto bar = bars.rbegin(); bar != bars.rend(); ++bar) profile.Add(*bar);
  const int step =
      profile.TimeFrameSeconds() > 0 ? profile.TimeFrameSeconds() : kDefaultStepSeconds;
  const BarKey& current = bars[static_cast<std::size_t>(row)];
  const int now = static_cast<int>(current.time);
  int proposed = std::max(now - step, 0);
  // The bar before it on the same day may stand there already (a bar in the middle of a
  // day): halfway between the two is then free, if any time between them is.
  const std::size_t below = static_cast<std::size_t>(row) + 1;
  if (below < bars.size() && bars[below].day == current.day) {
    const int before = static_cast<int>(bars[below].time);
    if (proposed <= before) proposed = (before + now) / 2;
  }
  return {current.day, static_cast<PackedTime>(proposed)};
}

std::optional<int> CheckNewBar(const std::vector<BarKey>& bars, const std::string& dateText,
                               const std::string& timeText, UserPrompt& prompt) {
  const DayNumber day = ParseUserDate(dateText);
  const std::optional<PackedTime> time = ParseTimeText(timeText);
  if (day == 0 || !time) {
    prompt.ShowMessage(quote_messages::kInvalidDataEntered);
    return std::nullopt;
  }
  const BarKey wanted{day, *time};
  if (std::find(bars.begin(), bars.end(), wanted) != bars.end()) {
    prompt.ShowMessage(
        Formatted(quote_messages::kDateExistsFormat, dateText + " " + FormatTimeText(*time)));
    return std::nullopt;
  }
  // The first bar in the file (the last row) after the new one is the one it copies.
  int source = -1;
  for (int row = static_cast<int>(bars.size()) - 1; row >= 0; --row) {
    if (wanted < bars[static_cast<std::size_t>(row)]) {
      source = row;
      break;
    }
  }
  if (source < 0 || source == static_cast<int>(bars.size()) - 1) {
    prompt.ShowMessage(quote_messages::kInvalidDataEntered);
    return std::nullopt;
  }
  return source;
}

QuoteCommandOutcome RunAddBar(const QuoteSeriesContext& series, const std::string& dateText,
                              const std::string& timeText, int sourceRow, QuoteCommandIo io) {
  QuoteCommandOutcome outcome;
  outcome.reloadGrid = true;  // also after a failure, so the grid shows what is stored
  const DayNumber day = ParseUserDate(dateText);
  const std::optional<PackedTime> time = ParseTimeText(timeText);
  Status status = kBadRequest;
  if (day != 0 && time) {
    SeriesEdit edit;
    edit.kind = edit_kind::kInsert;
    edit.firstDay = edit.lastDay = day;
    edit.atTime = true;
    edit.time = *time;
    WaitCursor wait(io.prompt);
    status = RewriteSeries(edit, series.portfolioDir, series.symbol, &outcome.barsChanged);
  }
  if (status != kOk) {
    io.prompt.ShowMessage(quote_messages::FailureText(status, quote_messages::kAddQuoteFailed));
    return outcome;
  }
  if (io.settings) RecordAddQuote(*io.settings, dateText, FormatTimeText(*time));
  outcome.succeeded = true;
  outcome.rowToShow = sourceRow + 1;
  outcome.openEditor = true;
  return outcome;
}

}  // namespace voltrim
