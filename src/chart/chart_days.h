#pragma once

#include <vector>

#include "chart/chart_range.h"
#include "chart/chart_series.h"

namespace voltrim {

// The date axis of a series with a time of day: each day's first bar is marked by a line
// before it, labelled with the date where labels fit (every day, or every 2nd, 5th, 10th
// ...); where a day is wide enough its bars are labelled with their times at round steps
// (5, 10, 15, 30 minutes, 1, 2, 3, 6 hours) that fit.
struct DayAxisMark {
  int index = 0;          // the bar: a day's first (the line lies before it) or a timed bar
  bool dayStart = false;  // a day boundary; otherwise a time label at the bar
  bool labelled = false;  // a day boundary with its date shown (time labels always are)
  // The date of the day the view begins in, named at the plot's left edge when its own
  // boundary lies out of view and each day in view is labelled (zoomed in); index is the
  // first bar shown.
  bool carried = false;
};

// Marks over the shown part of the series, in bar order, for a plot plotWidth pixels wide
// whose date and time labels need dateWidth and timeWidth pixels; no two labels overlap.
std::vector<DayAxisMark> DayAxisMarks(const ChartSeries& series, const ChartRange& range,
                                      int plotWidth, double dateWidth, double timeWidth);

}  // namespace voltrim
