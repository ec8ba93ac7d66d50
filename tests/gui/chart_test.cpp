#include <QImage>
#include <QPainter>
#include <QStatusBar>
#include <QWheelEvent>

#include "chart/chart_series.h"
#include "chart/ui/chart_geometry.h"
#include "chart/ui/chart_painter.h"
#include "chart/ui/price_chart.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

// The chart under the quotes grid; the range arithmetic itself is the chart folder's.
class ChartLinkTest : public GuiTest {
 protected:
  PriceChart& Chart() { return *window->Chart(); }
  QPoint PointOf(double index) {
    const ChartGeometry geometry = Chart().Geometry();
    return {static_cast<int>(geometry.XOf(Chart().Range(), index)), geometry.Price().center().y()};
  }
  void Wheel(const QPoint& at, int notches) {
    QWheelEvent wheel(at, Chart().mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Chart(), &wheel);
  }
  void ClickAt(const QPoint& at) {
    QTest::mouseClick(&Chart(), Qt::LeftButton, Qt::NoModifier, at);
  }
  bool RowShownInGrid(int row) {
    const QRect cell = Quotes().visualRect(Quotes().model()->index(row, 0));
    return Quotes().viewport()->rect().intersects(cell);
  }
};

TEST_F(ChartLinkTest, TheMarkerFollowsTheGridAndTheMouseChoosesZoomsPansAndEdits) {
  Portfolio("P", PortfolioOf({"AAA"}, 300));
  Start();
  ASSERT_EQ(Chart().Series().Count(), 300);
  ASSERT_GT(Chart().Geometry().Plot().width(), 100);
  Key(Quotes(), Qt::Key_Down);
  EXPECT_EQ(Chart().CurrentRow(), 1);

  // Oldest quote at the left, newest at the right, the grid newest first.
  ClickAt(PointOf(0));
  EXPECT_EQ(Quotes().SelectedRow(), 299);
  EXPECT_EQ(State().quotes.currentRow, 299);
  EXPECT_TRUE(RowShownInGrid(299));
  EXPECT_EQ(Chart().CurrentRow(), 299);
  ClickAt(QPoint(Chart().Geometry().Plot().right(), 40));
  EXPECT_EQ(State().quotes.currentRow, 0);

  // Zoomed in around a quote, the same quote stays under the pointer and clicks still land.
  const QPoint at = PointOf(100);
  Wheel(at, 6);
  EXPECT_LT(Chart().Range().Span(), 100.0);
  EXPECT_EQ(Chart().RowAt(at), 199);
  ClickAt(PointOf(103));
  EXPECT_EQ(State().quotes.currentRow, 196);

  // Dragging pans without changing the current quote.
  const double first = Chart().Range().First();
  const QPoint from = PointOf(first + 20), to = from - QPoint(60, 0);
  QTest::mousePress(&Chart(), Qt::LeftButton, Qt::NoModifier, from);
  QMouseEvent move(QEvent::MouseMove, to, Chart().mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(&Chart(), &move);
  QTest::mouseRelease(&Chart(), Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_GT(Chart().Range().First(), first);
  EXPECT_EQ(State().quotes.currentRow, 196);

  // A double click runs Quotes > Edit on the quote under it.
  std::vector<int> editedRows;
  window->SetCommandHandler(command::kQuoteEdit,
                            [&] { editedRows.push_back(State().quotes.currentRow); });
  const QPoint edited = PointOf(first + 40);
  QTest::mouseDClick(&Chart(), Qt::LeftButton, Qt::NoModifier, edited);
  EXPECT_EQ(editedRows, std::vector<int>{Chart().RowAt(edited)});

  // Moving far in the grid brings the marked quote into the chart's view; Home shows all.
  Key(Quotes(), Qt::Key_Home);
  EXPECT_EQ(Chart().Range().EndShown(), 300);
  Key(Chart(), Qt::Key_Home);
  EXPECT_TRUE(Chart().Range().IsWhole());
}

// After a write the chart keeps its view of the longer series; another series starts whole.
TEST_F(ChartLinkTest, AfterAWriteTheChartShowsTheNewDataInTheSameView) {
  Portfolio("P", PortfolioOf({"AAA"}, 300));
  Portfolio("Q", PortfolioOf({"AAA", "BBB"}, 40));
  Start();
  Wheel(PointOf(250), 8);
  const double first = Chart().Range().First();
  const double span = Chart().Range().Span();
  Portfolio("P", PortfolioOf({"AAA"}, 301));
  View().browser().FillQuotesGrid(0);  // as every write does afterwards
  ASSERT_EQ(Chart().Series().Count(), 301);
  EXPECT_DOUBLE_EQ(Chart().Range().First(), first);
  EXPECT_DOUBLE_EQ(Chart().Range().Span(), span);

  View().PortfolioList()->setCurrentRow(1);
  ASSERT_EQ(Chart().Series().Count(), 40);
  EXPECT_TRUE(Chart().Range().IsWhole());
}

// The pointer reads out its quote in the status bar and a split marker its split.
TEST_F(ChartLinkTest, ThePointerReadsOutTheQuoteAndTheSplitUnderIt) {
  std::vector<DailyQuote> quotes;
  DayNumber day = ParseUserDate("01/03/00");
  for (int i = 0; i < 60; ++i, day = NextWeekday(day)) {
    const float close = i < 30 ? 40.0f : 20.0f;
    quotes.push_back({day, close, close + 0.5f, close - 0.5f, close, 1000});
  }
  Portfolio("P",
            testing::Portfolio({SeriesEntry(MakeDailySeries(1, "SPLT", "SPLIT INC", quotes))}));
  Start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTest::mouseMove(&Chart(), PointOf(10));
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(),
            QuoteReadout(Chart().Series().quotes[10]));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&Chart(), &leave);
  EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());

  ASSERT_EQ(Chart().Series().splits.size(), 1u);
  const ChartGeometry geometry = Chart().Geometry();
  const QPoint marker(PointOf(29.5).x(), geometry.Plot().top() - geometry.MarkerSize() / 2);
  EXPECT_EQ(
      Chart().SplitTextAt(marker),
      "SPLT possible 2 for 1 split on " + QString::fromStdString(FormatUserDate(quotes[30].day)));
  EXPECT_TRUE(Chart().SplitTextAt(PointOf(10)).isEmpty());
}

TEST_F(ChartLinkTest, ViewChartHidesTheChartAndTheChoiceOutlivesARestart) {
  Portfolio("P", PortfolioOf({"AAA"}, 30));
  Start();
  QAction* showChart = window->Action(command::kViewChart);
  EXPECT_TRUE(showChart->isChecked());
  showChart->trigger();
  EXPECT_FALSE(Chart().isVisible());
  EXPECT_EQ(settings.GetString("Chart", "Show", ""), "0");

  window.reset();
  settings.OpenRoot((config.path() / "Voltrim.conf").string());  // read afresh from the file
  Start();
  EXPECT_FALSE(window->Action(command::kViewChart)->isChecked());
  EXPECT_FALSE(Chart().isVisible());
  EXPECT_EQ(Chart().Series().Count(), 30);  // hidden, it still keeps up with the grid
  window->Action(command::kViewChart)->trigger();
  EXPECT_TRUE(Chart().isVisible());
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
    for (int x = within.left(); x <= within.right(); ++x) count += image.pixelColor(x, y) == colour;
  }
  return count;
}

// Drawn on a dark palette's colours: no pixel left undrawn, the bar and the marked quote.
TEST(ChartPaintingTest, EmptyAndOneQuoteSeriesDrawOnThePalettesBackground) {
  QPalette dark;
  dark.setColor(QPalette::Base, QColor(30, 30, 30));
  dark.setColor(QPalette::Text, QColor(230, 230, 230));
  dark.setColor(QPalette::Mid, QColor(80, 80, 80));
  dark.setColor(QPalette::Highlight, QColor(60, 120, 220));
  dark.setColor(QPalette::Link, QColor(120, 170, 255));
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
  EXPECT_GT(CountColour(single, plot, dark.color(QPalette::Text)), 10);
  EXPECT_GT(CountColour(Draw(one, dark, 0), plot, dark.color(QPalette::Highlight)), 10);
}

}  // namespace
}  // namespace voltrim::testing
