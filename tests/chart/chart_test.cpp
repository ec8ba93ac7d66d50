#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "chart/chart_axis.h"
#include "chart/chart_columns.h"
#include "chart/chart_days.h"
#include "chart/chart_range.h"
#include "chart/chart_series.h"
#include "datafiles/fixtures.h"
#include "splitsearch/split_search.h"
#include "support/recording_prompt.h"

namespace voltrim::testing {
namespace {

// {quotes, position, quote drawn there}: outside the plot the nearest end is meant.
TEST(ChartRangeTest, PositionsZoomPanningFollowingAndResizingStayWithinTheSeries) {
  const std::tuple<int, double, int> cases[] = {
      {1000, 0.0, 0},   {1000, 0.5, 500}, {1000, 0.9995, 999}, {1000, -0.2, 0},
      {1000, 1.3, 999}, {0, 0.5, -1},     {1, 0.0, 0},         {1, 1.0, 0}};
  for (const auto& [quotes, at, index] : cases)
    EXPECT_EQ(ChartRange::Whole(quotes).IndexAt(at), index) << quotes << " " << at;
  ChartRange range = ChartRange::Whole(1000);
  for (const int index : {0, 1, 499, 998, 999})
    EXPECT_EQ(range.IndexAt(range.FractionOf(index)), index);  // its own drawing position

  const int under = range.IndexAt(0.25);
  range.ZoomAround(0.25, 0.1);
  EXPECT_DOUBLE_EQ(range.Span(), 100.0);
  EXPECT_EQ(range.IndexAt(0.25), under);
  EXPECT_EQ(range.IndexAt(0.0), under - 25);

  range.ZoomAround(0.5, 1e-6);
  EXPECT_DOUBLE_EQ(range.Span(), ChartRange::kMinSpan);
  range.ZoomAround(0.5, 1e6);
  EXPECT_TRUE(range.IsWhole());

  // Zooming out near an end never shows space before the first quote.
  range = ChartRange::Whole(1000);
  range.ZoomAround(0.0, 0.05);
  range.ZoomAround(1.0, 4.0);
  EXPECT_GE(range.First(), 0.0);
  EXPECT_LE(range.First() + range.Span(), 1000.0);

  // A series shorter than the least span is shown whole.
  ChartRange shortRange = ChartRange::Whole(3);
  shortRange.ZoomAround(0.5, 0.1);
  EXPECT_DOUBLE_EQ(shortRange.Span(), 3.0);

  ChartRange panned = ChartRange::Whole(1000);
  panned.ZoomAround(0.0, 0.1);  // quotes 0..99
  panned.PanBy(-1.0);
  EXPECT_DOUBLE_EQ(panned.First(), 0.0);
  panned.PanBy(0.5);
  EXPECT_DOUBLE_EQ(panned.First(), 50.0);
  panned.MoveTo(5000.0);
  EXPECT_DOUBLE_EQ(panned.First(), 900.0);
  EXPECT_EQ(std::tuple(panned.FirstShown(), panned.EndShown()), std::tuple(900, 1000));

  panned.EnsureShown(950);  // already shown: nothing moves
  EXPECT_DOUBLE_EQ(panned.First(), 900.0);
  panned.EnsureShown(300);
  EXPECT_EQ(panned.IndexAt(0.5), 300);
  panned.EnsureShown(0);
  EXPECT_DOUBLE_EQ(panned.First(), 0.0);

  // A new length keeps the view, and the whole series stays whole.
  ChartRange whole = ChartRange::Whole(100);
  whole.Resize(101);  // a quote was added
  EXPECT_TRUE(whole.IsWhole());
  EXPECT_EQ(whole.EndShown(), 101);

  ChartRange zoomed = ChartRange::Whole(100);
  zoomed.ZoomAround(1.0, 0.2);  // the last 20 quotes
  zoomed.Resize(90);
  EXPECT_DOUBLE_EQ(zoomed.Span(), 20.0);
  EXPECT_EQ(zoomed.EndShown(), 90);
  zoomed.Resize(0);
  EXPECT_EQ(zoomed.IndexAt(0.5), -1);
  EXPECT_EQ(zoomed.EndShown(), 0);
}

ChartSeries SawSeries(int count) {
  ChartSeries series;
  for (int i = 0; i < count; ++i) {
    const float close = static_cast<float>(10 + i % 7);
    series.quotes.push_back({0, 0, close, close + 1, close - 1, close, static_cast<float>(i), -1});
  }
  series.hasVolume = true;
  return series;
}

TEST(ChartColumnsTest, ALongSeriesFoldsLosingNoExtremeAndOnlyShownValuesCount) {
  const ChartSeries series = SawSeries(32766);
  const std::vector<ChartColumn> columns =
      ChartColumnsOf(series, ChartRange::Whole(series.Count()), 500);
  ASSERT_EQ(columns.size(), 500u);
  int quotes = 0;
  for (const ChartColumn& column : columns) {
    ASSERT_GT(column.quotes, 0);
    EXPECT_FLOAT_EQ(column.closeLow, 10.0f);
    EXPECT_FLOAT_EQ(column.closeHigh, 16.0f);
    quotes += column.quotes;
  }
  EXPECT_EQ(quotes, 32766);
  EXPECT_FLOAT_EQ(columns.back().volume, 32765.0f);
  EXPECT_FLOAT_EQ(columns.back().lastClose, series.quotes.back().close);

  const ChartExtent line = ChartExtentOf(columns, false), bars = ChartExtentOf(columns, true);
  EXPECT_EQ(std::tuple(line.low, line.high, bars.low, bars.high), std::tuple(10, 16, 9, 17));

  ChartSeries gapped = SawSeries(100);
  gapped.quotes[50].close = -1;  // N/A: not drawn
  gapped.quotes[51].high = -1;   // the bar spans what it has
  gapped.quotes[51].low = -1;
  gapped.quotes[51].volume = -1;
  ChartRange range = ChartRange::Whole(100);
  range.ZoomAround(0.5, 0.1);  // quotes 45..54, ten pixels each
  const std::vector<ChartColumn> shown = ChartColumnsOf(gapped, range, 100);
  int drawn = 0;
  for (const ChartColumn& column : shown) drawn += column.quotes;
  EXPECT_EQ(drawn, 9);
  const ChartColumn& at51 = shown[static_cast<std::size_t>(range.FractionOf(51) * 100)];
  const float close51 = gapped.quotes[51].close;
  EXPECT_EQ(std::tuple(at51.quotes, at51.barLow, at51.barHigh, at51.volume),
            std::tuple(1, close51, close51, 0.0f));

  EXPECT_TRUE(ChartExtentOf(ChartColumnsOf(ChartSeries{}, ChartRange::Whole(0), 100), false).empty);
  EXPECT_TRUE(ChartColumnsOf(gapped, range, 0).empty());
}

TEST(ChartTextTest, CountsAreGroupedTicksRoundAndTheReadoutLeavesOutWhatTheSeriesLacks) {
  std::string counts;
  for (const double value : {0.0, 999.0, 1000.0, 315000.0, 1234567.4, -1234.0})
    counts += GroupedCountText(value) + " ";
  EXPECT_EQ(counts, "0 999 1,000 315,000 1,234,567 -1,234 ");

  Quote quote{ParseUserDate("11/27/26"), 0, 66.85f, 67.43f, 65.0f, 65.06f, 209000.0f, 288872.0f};
  EXPECT_EQ(QuoteReadout(quote),
            "11/27/26  O 66.8500  H 67.4300  L 65.0000  C 65.0600  V 209,000  OI 288,872");
  quote.open = -1.0f;  // a series without open and open interest
  quote.openInterest = -1.0f;
  EXPECT_EQ(QuoteReadout(quote), "11/27/26  H 67.4300  L 65.0000  C 65.0600  V 209,000");

  const AxisTicks ticks = NiceTicks(41.3, 88.7, 5);
  EXPECT_DOUBLE_EQ(ticks.step, 10.0);
  EXPECT_EQ(ticks.values, (std::vector<double>{50, 60, 70, 80}));
  EXPECT_EQ(TickText(50, ticks.step) + " " + TickText(0.125, 0.005) + " " + TickText(1200, 200) +
                " " + TickText(12.5, 0.5),
            "50 0.125 1200 12.5");
  EXPECT_TRUE(NiceTicks(5, 5, 4).values.empty());

  // 32,766 quotes on 650 pixels, then wider quotes.
  EXPECT_EQ(std::tuple(DateLabelStep(0.02, 60), DateLabelStep(12, 60), DateLabelStep(100, 60)),
            std::tuple(5000, 5, 1));
}

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

TEST(ChartSplitsTest, MarksAreWhatTheSplitSearchListsOnlyOvernightAndIntradayLabelsNeverOverlap) {
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

  // From one day's last bar to the next day's first, never between the bars of a day.
  TempDir moving;
  Write(moving.path(), BarPortfolio(MovingBars()));
  RecordingPrompt prompt;
  SplitSearchResults results;
  RunSplitSearch(moving.str(), {"BARS"}, results, prompt);
  ASSERT_EQ(results.Lines().size(), 1u);
  EXPECT_NE(results.Lines()[0].find("11/15/13"), std::string::npos) << results.Lines()[0];

  const ChartSeries moved = ChartSeriesOf(TableOf(moving.str()));
  ASSERT_EQ(moved.splits.size(), 1u);
  EXPECT_EQ(std::tuple(moved.splits[0].index, moved.splits[0].text, moved.timeFrameSeconds),
            std::tuple(8, results.Lines()[0], 300));
  EXPECT_EQ(moved.dayStarts, (std::vector<int>{0, 4, 8}));
  EXPECT_EQ(QuoteReadout(moved.quotes[5], true).substr(0, 19), "11/14/13 09:05:00  ");
}

}  // namespace
}  // namespace voltrim::testing
