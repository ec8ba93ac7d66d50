#include <gtest/gtest.h>

#include "chart/chart_range.h"

namespace voltrim {
namespace {

TEST(ChartRangeTest, PositionsAcrossTheWholeSeriesMapToTheQuoteDrawnThere) {
  const ChartRange range = ChartRange::Whole(1000);
  EXPECT_EQ(range.IndexAt(0.0), 0);
  EXPECT_EQ(range.IndexAt(0.5), 500);
  EXPECT_EQ(range.IndexAt(0.9995), 999);
  // Outside the plot the nearest end is meant.
  EXPECT_EQ(range.IndexAt(-0.2), 0);
  EXPECT_EQ(range.IndexAt(1.3), 999);
  // Each quote's own drawing position leads back to it.
  for (const int index : {0, 1, 499, 998, 999}) {
    EXPECT_EQ(range.IndexAt(range.FractionOf(index)), index);
  }
  EXPECT_EQ(ChartRange::Whole(0).IndexAt(0.5), -1);
  EXPECT_EQ(ChartRange::Whole(1).IndexAt(0.0), 0);
  EXPECT_EQ(ChartRange::Whole(1).IndexAt(1.0), 0);
}

TEST(ChartRangeTest, ZoomKeepsTheQuoteUnderThePointerAndStopsAtEitherEnd) {
  ChartRange range = ChartRange::Whole(1000);
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
}

TEST(ChartRangeTest, PanningAndFollowingStayWithinTheSeries) {
  ChartRange range = ChartRange::Whole(1000);
  range.ZoomAround(0.0, 0.1);  // quotes 0..99
  range.PanBy(-1.0);
  EXPECT_DOUBLE_EQ(range.First(), 0.0);
  range.PanBy(0.5);
  EXPECT_DOUBLE_EQ(range.First(), 50.0);
  range.MoveTo(5000.0);
  EXPECT_DOUBLE_EQ(range.First(), 900.0);
  EXPECT_EQ(range.FirstShown(), 900);
  EXPECT_EQ(range.EndShown(), 1000);

  range.EnsureShown(950);  // already shown: nothing moves
  EXPECT_DOUBLE_EQ(range.First(), 900.0);
  range.EnsureShown(300);
  EXPECT_EQ(range.IndexAt(0.5), 300);
  range.EnsureShown(0);
  EXPECT_DOUBLE_EQ(range.First(), 0.0);
}

TEST(ChartRangeTest, ANewLengthKeepsTheViewAndTheWholeSeriesStaysWhole) {
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

}  // namespace
}  // namespace voltrim
