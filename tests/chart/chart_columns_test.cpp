#include <gtest/gtest.h>

#include "chart/chart_axis.h"
#include "chart/chart_columns.h"

namespace voltrim {
namespace {

ChartSeries SawSeries(int count) {
  ChartSeries series;
  for (int i = 0; i < count; ++i) {
    const float close = static_cast<float>(10 + i % 7);
    series.quotes.push_back({0, 0, close, close + 1, close - 1, close, static_cast<float>(i), -1});
  }
  series.hasVolume = true;
  return series;
}

TEST(ChartColumnsTest, ALongSeriesFoldsIntoOneEntryPerPixelColumnLosingNoExtreme) {
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

  const ChartExtent line = ChartExtentOf(columns, false);
  const ChartExtent bars = ChartExtentOf(columns, true);
  EXPECT_FLOAT_EQ(line.low, 10.0f);
  EXPECT_FLOAT_EQ(line.high, 16.0f);
  EXPECT_FLOAT_EQ(bars.low, 9.0f);
  EXPECT_FLOAT_EQ(bars.high, 17.0f);
}

TEST(ChartColumnsTest, OnlyTheShownQuotesCountAndAbsentValuesAreLeftOut) {
  ChartSeries series = SawSeries(100);
  series.quotes[50].close = -1;  // N/A: not drawn
  series.quotes[51].high = -1;   // the bar spans what it has
  series.quotes[51].low = -1;
  series.quotes[51].volume = -1;
  ChartRange range = ChartRange::Whole(100);
  range.ZoomAround(0.5, 0.1);  // quotes 45..54, ten pixels each
  const std::vector<ChartColumn> columns = ChartColumnsOf(series, range, 100);
  int drawn = 0;
  for (const ChartColumn& column : columns) drawn += column.quotes;
  EXPECT_EQ(drawn, 9);
  const ChartColumn& at51 = columns[static_cast<std::size_t>(range.FractionOf(51) * 100)];
  ASSERT_EQ(at51.quotes, 1);
  EXPECT_FLOAT_EQ(at51.barLow, series.quotes[51].close);
  EXPECT_FLOAT_EQ(at51.barHigh, series.quotes[51].close);
  EXPECT_FLOAT_EQ(at51.volume, 0.0f);

  EXPECT_TRUE(ChartExtentOf(ChartColumnsOf(ChartSeries{}, ChartRange::Whole(0), 100), false).empty);
  EXPECT_TRUE(ChartColumnsOf(series, range, 0).empty());
}

TEST(ChartAxisTest, PriceTicksAreRoundAndDateLabelsDoNotCrowd) {
  const AxisTicks ticks = NiceTicks(41.3, 88.7, 5);
  EXPECT_DOUBLE_EQ(ticks.step, 10.0);
  EXPECT_EQ(ticks.values, (std::vector<double>{50, 60, 70, 80}));
  EXPECT_EQ(TickText(50, ticks.step), "50");
  EXPECT_EQ(TickText(0.125, 0.005), "0.125");
  EXPECT_EQ(TickText(1200, 200), "1200");
  EXPECT_EQ(TickText(12.5, 0.5), "12.5");
  EXPECT_TRUE(NiceTicks(5, 5, 4).values.empty());

  EXPECT_EQ(DateLabelStep(0.02, 60), 5000);  // 32,766 quotes on 650 pixels
  EXPECT_EQ(DateLabelStep(12, 60), 5);
  EXPECT_EQ(DateLabelStep(100, 60), 1);
}

TEST(ChartTextTest, CountsAreGroupedAndTheReadoutLeavesOutWhatTheSeriesLacks) {
  const std::pair<double, const char*> counts[] = {{0, "0"},
                                                   {999, "999"},
                                                   {1000, "1,000"},
                                                   {315000, "315,000"},
                                                   {1234567.4, "1,234,567"},
                                                   {-1234, "-1,234"}};
  for (const auto& [value, text] : counts) EXPECT_EQ(GroupedCountText(value), text) << value;

  Quote quote{ParseUserDate("11/27/26"), 0, 66.85f, 67.43f, 65.0f, 65.06f, 209000.0f, 288872.0f};
  EXPECT_EQ(QuoteReadout(quote),
            "11/27/26  O 66.8500  H 67.4300  L 65.0000  C 65.0600  V 209,000  OI 288,872");
  quote.open = -1.0f;  // a series without open and open interest
  quote.openInterest = -1.0f;
  EXPECT_EQ(QuoteReadout(quote), "11/27/26  H 67.4300  L 65.0000  C 65.0600  V 209,000");
}

}  // namespace
}  // namespace voltrim
