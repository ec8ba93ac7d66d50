#include <QApplication>
#include <QTableView>

#include "check/ui/check_window.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

using CheckWindowTest = GuiTest;

CheckWindow* OpenCheckWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* check = qobject_cast<CheckWindow*>(widget); check && check->isVisible()) return check;
  }
  return nullptr;
}

int RowOfKind(QTableView& table, const QString& kind) {
  for (int row = 0; row < table.model()->rowCount(); ++row) {
    if (table.model()->index(row, 3).data().toString() == kind) return row;
  }
  return -1;
}

// Portfolio > Check lists the planted fault; double-clicking it makes its symbol and its
// quote current in the browser, ready for the quote commands.
TEST_F(CheckWindowTest, DoubleClickSelectsTheSymbolAndQuoteOfAFinding) {
  PortfolioSpec plan = PortfolioOf({"AAA", "BBB", "CCC"}, 30);
  auto& records = plan.entries[1].series.records;
  std::swap(records[20][0], records[21][0]);  // quote 21 now dated before quote 20
  const std::string dir = Portfolio("p", plan);
  Start();
  ASSERT_TRUE(window->Action(command::kPortfolioCheck)->isEnabled());
  window->Action(command::kPortfolioCheck)->trigger();
  CheckWindow* check = OpenCheckWindow();
  ASSERT_NE(check, nullptr);
  EXPECT_EQ(check->windowTitle().toStdString(), "Check - " + dir);
  EXPECT_EQ(check->Summary(), "1 problem found; 3 series, 93 quotes checked");

  ASSERT_TRUE(QTest::qWaitForWindowExposed(check));
  QTableView& table = *check->Table();
  const int row = RowOfKind(table, "date-order");
  ASSERT_GE(row, 0);
  EXPECT_EQ(table.model()->index(row, 0).data().toString(), "BBB");
  const QRect cell = table.visualRect(table.model()->index(row, 1));
  ASSERT_FALSE(cell.isEmpty());
  // A double click is a press, a release and then the double-click press, as a mouse sends.
  QTest::mouseClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  QTest::mouseDClick(table.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());

  EXPECT_EQ(State().symbols.currentRow, 1);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(State().quotes.SeriesIndex(State().quotes.currentRow), 21);
  EXPECT_EQ(Quotes().SelectedRow(), State().quotes.currentRow);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - BBB");

  // The filter by kind keeps whole kinds only.
  check->KindFilter()->setCurrentText("duplicate-date");
  EXPECT_EQ(table.model()->rowCount(), 0);
  check->KindFilter()->setCurrentText("date-order");
  EXPECT_EQ(table.model()->rowCount(), 1);
  check->close();
}

}  // namespace
}  // namespace voltrim::testing
