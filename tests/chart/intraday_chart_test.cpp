#include <gtest/gtest.h>

#include <algorithm>

#include "chart/chart_days.h"
#include "chart/chart_range.h"
#include "chart/chart_series.h"
#include "datafiles/fixtures.h"
#include "splitsearch/split_search.h"
#include "support/recording_prompt.h"

namespace voltrim::testing {
namespace {

// Closes of three days of four bars: halved within the first day (a move between bars,
// not a split) and doubled overnight into the third (the step a split takes).
std::vector<Bar> MovingBars() {
  std::vector<Bar> bars = ThreeDaysOfBars();
  const float closes[] = {40, 40, 20, 20, 20, 20, 20, 20, 40, 40, 40, 40};
  for (std::size_t i = 0; i < bars.size(); ++i) bars[i].close = closes[i];
  return bars;
}

QuoteTable TableOf(const std::string& dir) {
  QuoteTable table;
  const std::vector<Quote> quotes = ReadQuotes(dir, "BARS");
  table.rows.assign(quotes.rbegin(), quotes.rend());
  table.count = static_cast<std::int16_t>(quotes.size());
  table.loadedSymbol = "BARS";
  table.hasTime = true;
  return table;
}

// The search and the chart's marks test the same steps: from one day's last bar to the
// next day's first, never between the bars of a day.
TEST(IntradaySplits, OnlyTheStepAcrossTheNightIsTestedByTheSearchAndTheChart) {
  TempDir dir;
  Write(dir.path(), BarPortfolio(MovingBars()));
  RecordingPrompt prompt;
  SplitSearchResults results;
  RunSplitSearch(dir.str(), {"BARS"}, results, prompt);
  ASSERT_EQ(results.Lines().size(), 1u);
  EXPECT_NE(results.Lines()[0].find("11/15/13"), std::string::npos) << results.Lines()[0];

  const ChartSeries series = ChartSeriesOf(TableOf(dir.str()));
  ASSERT_EQ(series.splits.size(), 1u);
  EXPECT_EQ(series.splits[0].index, 8);
  EXPECT_EQ(series.splits[0].text, results.Lines()[0]);
  EXPECT_EQ(series.dayStarts, (std::vector<int>{0, 4, 8}));
  EXPECT_EQ(series.timeFrameSeconds, 300);
  EXPECT_EQ(QuoteReadout(series.quotes[5], true).substr(0, 19), "11/14/13 09:05:00  ");
}

// Each day starts with a marked line; dates are labelled where they fit, times only where
// a day is wide enough, and no two labels overlap or leave the plot.
std::vector<DayAxisMark> CheckedMarks(const ChartSeries& series, const ChartRange& range,
                                      int width) {
  const std::vector<DayAxisMark> marks = DayAxisMarks(series, range, width, 50, 30);
  double free = 0;
  for (const DayAxisMark& mark : marks) {
    if (!mark.labelled) continue;
    // A date starts at its day's line, before the bar (or at the left edge for the day the
    // view begins in); a time is centred on its bar.
    const double left = mark.carried    ? 0.0
                        : mark.dayStart ? range.FractionOf(mark.index - 0.5) * width
                                        : range.FractionOf(mark.index) * width - 15;
    EXPECT_GE(left, free) << mark.index;
    free = left + (mark.dayStart || mark.carried ? 50 : 30);
    if (!mark.dayStart && !mark.carried) {
      EXPECT_LE(free, width) << mark.index;
    }
  }
  return marks;
}

TEST(IntradayAxis, DaysAreMarkedAndLabelsNeverOverlap) {
  TempDir dir;
  Write(dir.path(), BarPortfolio());
  const ChartSeries series = ChartSeriesOf(TableOf(dir.str()));
  const ChartRange range = ChartRange::Whole(series.Count());
  const auto timed = [](const std::vector<DayAxisMark>& marks) {
    return std::any_of(marks.begin(), marks.end(),
                       [](const DayAxisMark& m) { return !m.dayStart && !m.carried; });
  };
  for (const int width : {60, 200, 2400}) {
    SCOPED_TRACE(width);
    const std::vector<DayAxisMark> marks = CheckedMarks(series, range, width);
    std::vector<int> days;
    for (const DayAxisMark& mark : marks)
      if (mark.dayStart) days.push_back(mark.index);
    EXPECT_EQ(days, (std::vector<int>{0, 4, 8}));
    EXPECT_EQ(timed(marks), width == 2400);
  }
  // Zoomed in, with bars cut at either edge: the day under way is named at the left, and
  // no time label runs out of the plot.
  ChartRange zoomed = ChartRange::Whole(series.Count());
  zoomed.ZoomAround(0.5, 0.4);
  zoomed.MoveTo(2.6);
  ASSERT_LT(zoomed.Span(), 9.0);
  const std::vector<DayAxisMark> marks = CheckedMarks(series, zoomed, 600);
  EXPECT_TRUE(timed(marks));
  ASSERT_FALSE(marks.empty());
  EXPECT_TRUE(marks[0].carried);
  EXPECT_EQ(marks[0].index, 2);
}

}  // namespace
}  // namespace voltrim::testing
