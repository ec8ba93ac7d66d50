#pragma once

#include <string>
#include <vector>

#include "browser/browser_state.h"

namespace voltrim {

// A split candidate placed on the chart: the later quote of the pair and the line the
// split search would list for it.
struct ChartSplitMark {
  int index = 0;
  std::string text;
};

// The loaded series as the chart draws it: oldest quote first, so that index i lies left
// of index i + 1. Row r of the quotes grid is index RowCount() - 1 - r.
struct ChartSeries {
  std::vector<Quote> quotes;
  std::vector<ChartSplitMark> splits;
  bool hasVolume = false;  // some quote has a volume above zero
  // A series with a time of day: bars are read out with their time, and the date axis
  // marks where each day begins (dayStarts: the index of each day's first bar, in order).
  bool hasTime = false;
  std::vector<int> dayStarts;
  int timeFrameSeconds = 0;  // the most common step between the bars of a day; 0 none

  int Count() const { return static_cast<int>(quotes.size()); }
  int IndexOfRow(int row) const { return row >= 0 && row < Count() ? Count() - 1 - row : -1; }
  int RowOfIndex(int index) const {
    return index >= 0 && index < Count() ? Count() - 1 - index : -1;
  }
};

// The quotes the grid holds, turned round, with the split candidates among them.
ChartSeries ChartSeriesOf(const QuoteTable& table);

// The pairs of consecutive quotes that the split search would list, in date order (on a
// series with a time of day, the last bar of a day and the first of the next).
std::vector<ChartSplitMark> FindSplitMarks(const std::vector<Quote>& oldestFirst,
                                           const std::string& symbol, bool hasTime = false);

// The quote under the pointer as the status bar reads it out:
// "11/27/26  O 66.8500  H 67.4300  L 65.0000  C 65.0600  V 209,000  OI 288,872", with the
// fields the series does not hold left out; withTime puts the bar's time after the date
// ("11/15/13 09:15:00  O ...").
std::string QuoteReadout(const Quote& quote, bool withTime = false);

// What the chart shows of a quote: absent and negative values ("N/A" in the grid) are
// not drawn; a bar without high or low spans what it has.
inline bool Shown(float value) { return value >= 0.0f; }
inline float BarTop(const Quote& q) { return Shown(q.high) ? q.high : q.close; }
inline float BarBottom(const Quote& q) { return Shown(q.low) ? q.low : q.close; }

}  // namespace voltrim
