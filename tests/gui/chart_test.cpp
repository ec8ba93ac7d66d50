#include <QAction>
#include <QImage>
#include <QPainter>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "chart/ui/chart_geometry.h"
#include "chart/ui/chart_painter.h"
#include "chart/ui/price_chart.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

class ChartLinkTest : public GuiTest {
 protected:
  PriceChart& Chart() { return *window->Chart(); }
  QPoint PointOf(int index) {
    const ChartGeometry geometry = Chart().Geometry();
    return {static_cast<int>(geometry.XOf(Chart().Range(), index)), geometry.Price().center().y()};
  }
  void Wheel(const QPoint& at, int notches) {
    QWheelEvent wheel(at, Chart().mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Chart(), &wheel);
  }
  bool RowShownInGrid(int row) {
    const QRect cell = Quotes().visualRect(Quotes().model()->index(row, 0));
    return Quotes().viewport()->rect().intersects(cell);
  }
};

TEST_F(ChartLinkTest, TheMarkerFollowsTheGridAndAClickChoosesTheNearestQuote) {
  Portfolio("P", PortfolioOf({"AAA"}, 300));
  Start();
  ASSERT_EQ(Chart().Series().Count(), 300);
  ASSERT_GT(Chart().Geometry().Plot().width(), 100);
  EXPECT_EQ(Chart().CurrentRow(), 0);
  Key(Quotes(), Qt::Key_Down);
  EXPECT_EQ(Chart().CurrentRow(), 1);

  // Oldest quote at the left, newest at the right, the grid newest first.
  QTest::mouseClick(&Chart(), Qt::LeftButton, Qt::NoModifier, PointOf(0));
  EXPECT_EQ(Quotes().SelectedRow(), 299);
  EXPECT_EQ(State().quotes.currentRow, 299);
  EXPECT_TRUE(RowShownInGrid(299));
  EXPECT_EQ(Chart().CurrentRow(), 299);
  QTest::mouseClick(&Chart(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(Chart().Geometry().Plot().right(), 40));
  EXPECT_EQ(State().quotes.currentRow, 0);
  QTest::mouseClick(&Chart(), Qt::LeftButton, Qt::NoModifier, PointOf(150));
  EXPECT_EQ(State().quotes.currentRow, 149);
  EXPECT_TRUE(RowShownInGrid(149));

  // Zoomed in around a quote, the same quote stays under the pointer and clicks still land.
  const QPoint at = PointOf(100);
  Wheel(at, 6);
  EXPECT_LT(Chart().Range().Span(), 100.0);
  EXPECT_EQ(Chart().RowAt(at), 199);
  QTest::mouseClick(&Chart(), Qt::LeftButton, Qt::NoModifier, PointOf(103));
  EXPECT_EQ(State().quotes.currentRow, 196);

  // Moving far in the grid brings the marked quote into the chart's view.
  Key(Quotes(), Qt::Key_Home);
  EXPECT_EQ(Chart().CurrentRow(), 0);
  EXPECT_EQ(Chart().Range().EndShown(), 300);

  Chart().setFocus();
  QTest::keyClick(&Chart(), Qt::Key_Home);
  EXPECT_TRUE(Chart().Range().IsWhole());
}

TEST_F(ChartLinkTest, DraggingPansWithoutChangingTheCurrentQuote) {
  Portfolio("P", PortfolioOf({"AAA"}, 300));
  Start();
  Wheel(PointOf(150), 10);
  const double first = Chart().Range().First();
  const QPoint from = PointOf(static_cast<int>(first) + 20);
  QTest::mousePress(&Chart(), Qt::LeftButton, Qt::NoModifier, from);
  QMouseEvent move(QEvent::MouseMove, from - QPoint(60, 0),
                   Chart().mapToGlobal(from - QPoint(60, 0)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&Chart(), &move);
  QTest::mouseRelease(&Chart(), Qt::LeftButton, Qt::NoModifier, from - QPoint(60, 0));
  EXPECT_GT(Chart().Range().First(), first);
  EXPECT_EQ(State().quotes.currentRow, 0);
}

TEST_F(ChartLinkTest, ADoubleClickRunsQuotesEditOnThatQuote) {
  Portfolio("P", PortfolioOf({"AAA"}, 300));
  Start();
  std::vector<int> editedRows;
  window->SetCommandHandler(command::kQuoteEdit,
                            [&] { editedRows.push_back(State().quotes.currentRow); });
  QTest::mouseDClick(&Chart(), Qt::LeftButton, Qt::NoModifier, PointOf(100));
  EXPECT_EQ(editedRows, std::vector<int>{199});
}

TEST_F(ChartLinkTest, AfterAWriteTheChartShowsTheNewDataInTheSameView) {
  Portfolio("P", PortfolioOf({"AAA"}, 300));
  Start();
  Wheel(PointOf(250), 8);
  const double first = Chart().Range().First();
  const double span = Chart().Range().Span();

  PortfolioSpec changed = PortfolioOf({"AAA"}, 301);
  Portfolio("P", changed);
  View().browser().FillQuotesGrid(0);  // as every write does afterwards
  ASSERT_EQ(Chart().Series().Count(), 301);
  EXPECT_DOUBLE_EQ(Chart().Range().First(), first);
  EXPECT_DOUBLE_EQ(Chart().Range().Span(), span);

  // Another series starts whole.
  Portfolio("Q", PortfolioOf({"AAA", "BBB"}, 40));
  View().browser().ResetBrowser(2);
  QListWidget* list = View().PortfolioList();
  View().browser().ScanForPortfolios();
  WaitForScan();
  ASSERT_EQ(list->count(), 2);
  list->setCurrentRow(1);
  ASSERT_EQ(Chart().Series().Count(), 40);
  EXPECT_TRUE(Chart().Range().IsWhole());
}

TEST_F(ChartLinkTest, SplitMarkersCarryTheSplitSearchLine) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < 60; ++i, day = NextWeekday(day)) {
    const float close = i < 30 ? 40.0f : 20.0f;
    quotes.push_back({day, close, close + 0.5f, close - 0.5f, close, 1000});
  }
  Portfolio("P",
            testing::Portfolio({SeriesEntry(MakeDailySeries(1, "SPLT", "SPLIT INC", quotes))}));
  Start();
  ASSERT_EQ(Chart().Series().splits.size(), 1u);
  const ChartGeometry geometry = Chart().Geometry();
  const QPoint marker(static_cast<int>(geometry.XOf(Chart().Range(), 29.5)),
                      geometry.Plot().top() - geometry.MarkerSize() / 2);
  EXPECT_EQ(
      Chart().SplitTextAt(marker),
      "SPLT possible 2 for 1 split on " + QString::fromStdString(FormatUserDate(quotes[30].day)));
  EXPECT_TRUE(Chart().SplitTextAt(PointOf(10)).isEmpty());
}

TEST_F(ChartLinkTest, ViewChartHidesTheChartAndTheChoiceOutlivesARestart) {
  Portfolio("P", PortfolioOf({"AAA"}, 30));
  Start();
  QAction* showChart = window->Action(command::kViewChart);
  ASSERT_TRUE(showChart->isEnabled());
  EXPECT_TRUE(showChart->isChecked());
  EXPECT_TRUE(Chart().isVisible());
  showChart->trigger();
  EXPECT_FALSE(showChart->isChecked());
  EXPECT_FALSE(Chart().isVisible());
  EXPECT_EQ(settings.GetString("Chart", "Show", ""), "0");

  window.reset();
  settings.OpenRoot((config.path() / "Voltrim.conf").string());  // read afresh from the file
  Start();
  EXPECT_FALSE(window->Action(command::kViewChart)->isChecked());
  EXPECT_FALSE(Chart().isVisible());
  // Hidden, it still keeps up with the grid.
  EXPECT_EQ(Chart().Series().Count(), 30);
  window->Action(command::kViewChart)->trigger();
  EXPECT_TRUE(Chart().isVisible());
}

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
}  // namespace voltrim::testing
