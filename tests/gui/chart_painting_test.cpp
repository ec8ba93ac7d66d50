#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "chart/ui/chart_geometry.h"
#include "chart/ui/chart_painter.h"

namespace voltrim {
namespace {

QPalette DarkPalette() {
  QPalette palette;
  palette.setColor(QPalette::Base, QColor(30, 30, 30));
  palette.setColor(QPalette::Text, QColor(230, 230, 230));
  palette.setColor(QPalette::Mid, QColor(80, 80, 80));
  palette.setColor(QPalette::Highlight, QColor(60, 120, 220));
  palette.setColor(QPalette::Link, QColor(120, 170, 255));
  return palette;
}

QImage Draw(const ChartSeries& series, const QPalette& palette, int current = -1) {
  QImage image(400, 200, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  PaintChart(painter, image.rect(), palette, QFont(),
             {&series, ChartRange::Whole(series.Count()), current});
  return image;
}

int CountColour(const QImage& image, const QRect& within, QColor colour) {
  int count = 0;
  for (int y = within.top(); y <= within.bottom(); ++y) {
    for (int x = within.left(); x <= within.right(); ++x) {
      if (image.pixelColor(x, y) == colour) ++count;
    }
  }
  return count;
}

TEST(ChartPaintingTest, EmptyAndOneQuoteSeriesDrawOnThePalettesBackground) {
  const QPalette dark = DarkPalette();
  const QRect plot = ChartGeometry(QRect(0, 0, 400, 200), QFontMetrics(QFont()), false)
                         .Plot()
                         .adjusted(1, 1, -1, -1);

  const QImage empty = Draw(ChartSeries{}, dark);
  EXPECT_EQ(CountColour(empty, empty.rect(), Qt::magenta), 0);
  EXPECT_EQ(CountColour(empty, plot, dark.color(QPalette::Base)), plot.width() * plot.height());

  ChartSeries one;
  one.quotes.push_back({ParseUserDate("05/27/99"), 0, 10, 11, 9, 10.5f, -1, -1});
  const QImage single = Draw(one, dark);
  EXPECT_EQ(CountColour(single, single.rect(), Qt::magenta), 0);
  EXPECT_GT(CountColour(single, plot, dark.color(QPalette::Text)), 10);  // its bar

  // The marked quote shows in the highlight colour.
  const QImage marked = Draw(one, dark, 0);
  EXPECT_GT(CountColour(marked, plot, dark.color(QPalette::Highlight)), 10);
}

}  // namespace
}  // namespace voltrim
