#include <QWheelEvent>

#include "chart/ui/chart_geometry.h"
#include "chart/ui/price_chart.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

using ChartLinkTest = GuiTest;  // the range arithmetic itself is the chart folder's

TEST_F(ChartLinkTest, TheMarkerFollowsTheGridAndTheMouseChoosesZoomsAndEdits) {
  Write(drive.path() / "P", PortfolioOf({"AAA"}, 300));
  Start();
  PriceChart& chart = *window->Chart();  // under the quotes grid
  const auto pointOf = [&chart](double index) {
    const ChartGeometry geometry = chart.Geometry();
    return QPoint(static_cast<int>(geometry.XOf(chart.Range(), index)),
                  geometry.Price().center().y());
  };
  const auto clickAt = [&chart](const QPoint& at) {
    QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, at);
  };
  ASSERT_EQ(chart.Series().Count(), 300);
  Key(Quotes(), Qt::Key_Down);
  EXPECT_EQ(chart.CurrentRow(), 1);

  // Oldest quote at the left, newest at the right, the grid newest first.
  clickAt(pointOf(0));
  EXPECT_EQ(Quotes().SelectedRow(), 299);
  EXPECT_EQ(State().quotes.currentRow, 299);
  EXPECT_EQ(chart.CurrentRow(), 299);
  clickAt(QPoint(chart.Geometry().Plot().right(), 40));
  EXPECT_EQ(State().quotes.currentRow, 0);

  // Zoomed in around a quote, the same quote stays under the pointer and clicks still land.
  const QPoint at = pointOf(100);
  QWheelEvent wheel(at, chart.mapToGlobal(at), QPoint(), QPoint(0, 120 * 6), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&chart, &wheel);
  EXPECT_LT(chart.Range().Span(), 100.0);
  EXPECT_EQ(chart.RowAt(at), 199);
  clickAt(pointOf(103));
  EXPECT_EQ(State().quotes.currentRow, 196);

  // A double click runs Quotes > Edit on the quote under it.
  std::vector<int> editedRows;
  window->SetCommandHandler(command::kQuoteEdit,
                            [&] { editedRows.push_back(State().quotes.currentRow); });
  const QPoint edited = pointOf(chart.Range().First() + 40);
  QTest::mouseDClick(&chart, Qt::LeftButton, Qt::NoModifier, edited);
  EXPECT_EQ(editedRows, std::vector<int>{chart.RowAt(edited)});

  // Moving far in the grid brings the marked quote into the chart's view; Home shows all.
  Key(Quotes(), Qt::Key_Home);
  EXPECT_EQ(chart.Range().EndShown(), 300);
  Key(chart, Qt::Key_Home);
  EXPECT_TRUE(chart.Range().IsWhole());
}

}  // namespace
}  // namespace voltrim::testing
