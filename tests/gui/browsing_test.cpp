#include <QLabel>

#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

using BrowsingTest = GuiTest;

TEST_F(BrowsingTest, ArrowKeysMoveTheTitleClicksReloadAndPortfoliosSwitch) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}, 20));
  const std::string other = Portfolio("b", PortfolioOf({"XXX", "YYY"}, 7));
  Start();
  ASSERT_EQ(Quotes().model()->rowCount(), 20);

  Key(Symbols(), Qt::Key_Down);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - BBB");
  EXPECT_EQ(Quotes().model()->rowCount(), 20);

  ClickRow(Symbols(), 2);
  EXPECT_EQ(Quotes().model()->rowCount(), 22);
  // A click on the row that is already current loads it again (after a keyboard move).
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  ClickRow(Symbols(), 1);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(Quotes().model()->rowCount(), 21);

  Key(*View().PortfolioList(), Qt::Key_Down);
  EXPECT_EQ(Quotes().model()->rowCount(), 7);
  EXPECT_EQ(Title(), "Voltrim - " + other + " - XXX");
}

TEST_F(BrowsingTest, PickingAnotherDriveScansItButPickingTheCurrentOneDoesNot) {
  Portfolio("p", PortfolioOf({"AAA"}, 3));
  TempDir second;
  ASSERT_EQ(WritePortfolio((second.path() / "q").string(), PortfolioOf({"QQQ"}, 2)), kOk);
  settings.SetInt("Search", "Limit", 0);
  extraDrives.push_back(second.str());
  Start();
  QComboBox& drives = *View().DriveList();
  ASSERT_EQ(drives.count(), 2);

  Key(drives, drives.currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
  EXPECT_EQ(drives.currentText().toStdString(), second.str());
  EXPECT_EQ(Cell(Symbols(), 0, 0), "QQQ");

  // Choosing the drive that is already current leaves the browser as it is (a scan would
  // have made the newest quote current again).
  Key(Quotes(), Qt::Key_Down);
  Q_EMIT drives.activated(drives.currentIndex());
  EXPECT_EQ(Quotes().SelectedRow(), 1);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(BrowsingTest, QuoteRowsShowTheSelectionWithoutScrollingAfterAFill) {
  Portfolio("p", PortfolioOf({"AAA"}, 300));
  Start();
  Key(Quotes(), Qt::Key_End);
  EXPECT_EQ(State().quotes.currentRow, 299);
  // A refill that makes a far row current leaves the grid at its top.
  View().browser().FillQuotesGrid(250);
  EXPECT_EQ(Quotes().SelectedRow(), 250);
  EXPECT_EQ(Quotes().rowAt(0), 0);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 50 of 300");
}

}  // namespace
}  // namespace voltrim::testing
