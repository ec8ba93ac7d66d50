#pragma once

#include <vector>

#include "chart/chart_range.h"
#include "chart/chart_series.h"

namespace voltrim {

// What one pixel column of the plot holds, so that a long series draws a few lines per
// column instead of one item per quote.
struct ChartColumn {
  int quotes = 0;         // 0: nothing to draw here
  float closeLow = 0.0f;  // lowest and highest close
  float closeHigh = 0.0f;
  float firstClose = 0.0f;  // the line enters and leaves the column here
  float lastClose = 0.0f;
  float barLow = 0.0f;  // lowest low and highest high
  float barHigh = 0.0f;
  float volume = 0.0f;  // the largest volume
};

// The columns of a plot `width` pixels wide over the shown part of the series. Quotes
// whose close is not shown are left out.
std::vector<ChartColumn> ChartColumnsOf(const ChartSeries& series, const ChartRange& range,
                                        int width);

// The value range the plot must show: lowest and highest bar (or close) and the largest
// volume over the columns.
struct ChartExtent {
  bool empty = true;
  float low = 0.0f;
  float high = 0.0f;
  float volume = 0.0f;
};
ChartExtent ChartExtentOf(const std::vector<ChartColumn>& columns, bool bars);

}  // namespace voltrim
