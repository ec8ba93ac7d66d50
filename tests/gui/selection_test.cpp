#include <QLabel>

#include "chart/ui/price_chart.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

// The symbols grid's keyboard selection, the quotes grid, the chart and the commands
// always agree on one series.
class SelectionTest : public GuiTest {
 protected:
  // Four series; the n-th has 20 + n - 1 quotes, so each grid tells which it shows.
  std::string FourSeries() { return Portfolio("p", PortfolioOf({"AAA", "BBB", "CCC", "DDD"}, 20)); }
  // The symbol of every fill of the quotes grid from now on.
  void RecordLoads() {
    QObject::connect(&View(), &CVoltrimView::quotesChanged, [this] {
      if (State().quotes.RowCount() > 0) loads.push_back(State().quotes.loadedSymbol);
    });
  }
  bool Rested() {
    return WaitUntil([this] { return !View().browser().QuotesBehindSelection(); });
  }

  std::vector<std::string> loads;
};

TEST_F(SelectionTest, EndAndUpThenEditChangesTheSeriesTheTitleNamesAndNoOther) {
  const std::string dir = FourSeries();
  Start();
  window->activateWindow();  // Ctrl+E reaches the active window
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  ClickRow(Symbols(), 0);
  Key(Symbols(), Qt::Key_End);
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  ASSERT_EQ(Title(), "Voltrim - " + dir + " - CCC");

  // At once, before the selection has rested: Quotes > Edit loads CCC first.
  const Snapshot before = TakeSnapshot(dir);
  int dialogs = 0;
  onDialog = [&](QDialog& dialog) {
    ++dialogs;
    EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
    EXPECT_EQ(LabelOf(dialog, "date"), Cell(Quotes(), 0, 0));
    TypeInto(FieldOf(dialog, "close"), "11");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  QTest::keyClick(&Symbols(), Qt::Key_E, Qt::ControlModifier);
  ASSERT_EQ(dialogs, 1);
  const Snapshot after = TakeSnapshot(dir);
  for (const char* file : {"F1.DAT", "F2.DAT", "F4.DAT", "MASTER"}) {
    EXPECT_TRUE(after.at(file) == before.at(file)) << file;
  }
  EXPECT_TRUE(after.at("F3.DAT") != before.at("F3.DAT"));
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  EXPECT_EQ(Quotes().model()->rowCount(), 22);
  EXPECT_EQ(Cell(Quotes(), 0, 4), "11.0000");
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - CCC");
}

TEST_F(SelectionTest, ARunOfArrowsLoadsWhereItStopsAndEverythingFollows) {
  FourSeries();
  Start();
  RecordLoads();
  Key(Symbols(), Qt::Key_Down);
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 4 of 4");
  ASSERT_TRUE(Rested());
  EXPECT_EQ(loads, std::vector<std::string>{"DDD"});
  EXPECT_EQ(State().quotes.loadedSymbol, "DDD");
  EXPECT_EQ(Quotes().model()->rowCount(), 23);
  EXPECT_EQ(window->Chart()->Series().Count(), 23);
  window->RefreshFromState();
  EXPECT_EQ(window->QuotePane()->text(), "Quote 23 of 23");

  // Back to the row shown before the rest ends: nothing is loaded again.
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  QTest::qWait(400);
  EXPECT_EQ(loads, std::vector<std::string>{"DDD"});
}

TEST_F(SelectionTest, AClickInTheQuotesGridDuringTheRestLandsOnTheNewSeries) {
  FourSeries();
  Start();
  Key(Symbols(), Qt::Key_Down);
  ClickRow(Quotes(), 3);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(Quotes().model()->rowCount(), 21);
  EXPECT_EQ(State().quotes.currentRow, 3);
  EXPECT_EQ(window->Chart()->CurrentRow(), 3);
}

}  // namespace
}  // namespace voltrim::testing
