#include <QWheelEvent>

#include "chart/ui/chart_geometry.h"
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
  void ClickAt(const QPoint& at) {
    QTest::mouseClick(&Chart(), Qt::LeftButton, Qt::NoModifier, at);
  }
};

TEST_F(ChartLinkTest, TheMarkerFollowsTheGridAndTheMouseChoosesZoomsAndEdits) {
  Write(drive.path() / "P", PortfolioOf({"AAA"}, 300));
  Start();
  ASSERT_EQ(Chart().Series().Count(), 300);
  Key(Quotes(), Qt::Key_Down);
  EXPECT_EQ(Chart().CurrentRow(), 1);

  // Oldest quote at the left, newest at the right, the grid newest first.
  ClickAt(PointOf(0));
  EXPECT_EQ(Quotes().SelectedRow(), 299);
  EXPECT_EQ(State().quotes.currentRow, 299);
  EXPECT_EQ(Chart().CurrentRow(), 299);
  ClickAt(QPoint(Chart().Geometry().Plot().right(), 40));
  EXPECT_EQ(State().quotes.currentRow, 0);

  // Zoomed in around a quote, the same quote stays under the pointer and clicks still land.
  const QPoint at = PointOf(100);
  QWheelEvent wheel(at, Chart().mapToGlobal(at), QPoint(), QPoint(0, 120 * 6), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&Chart(), &wheel);
  EXPECT_LT(Chart().Range().Span(), 100.0);
  EXPECT_EQ(Chart().RowAt(at), 199);
  ClickAt(PointOf(103));
  EXPECT_EQ(State().quotes.currentRow, 196);

  // A double click runs Quotes > Edit on the quote under it.
  std::vector<int> editedRows;
  window->SetCommandHandler(command::kQuoteEdit,
                            [&] { editedRows.push_back(State().quotes.currentRow); });
  const QPoint edited = PointOf(Chart().Range().First() + 40);
  QTest::mouseDClick(&Chart(), Qt::LeftButton, Qt::NoModifier, edited);
  EXPECT_EQ(editedRows, std::vector<int>{Chart().RowAt(edited)});

  // Moving far in the grid brings the marked quote into the chart's view; Home shows all.
  Key(Quotes(), Qt::Key_Home);
  EXPECT_EQ(Chart().Range().EndShown(), 300);
  Key(Chart(), Qt::Key_Home);
  EXPECT_TRUE(Chart().Range().IsWhole());
}

}  // namespace
}  // namespace voltrim::testing
