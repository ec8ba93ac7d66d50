#include <QLabel>

#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

using BrowsingTest = GuiTest;

TEST_F(BrowsingTest, ArrowKeysMoveTheTitleAndThenTheQuotesClicksReloadAndPortfoliosSwitch) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}, 300));
  const std::string other = Portfolio("b", PortfolioOf({"XXX", "YYY"}, 7));
  Start();
  ASSERT_EQ(Quotes().model()->rowCount(), 300);
  // A refill that makes a far row current selects it and leaves the grid at its top.
  View().browser().FillQuotesGrid(250);
  EXPECT_EQ(Quotes().SelectedRow(), 250);
  EXPECT_EQ(Quotes().rowAt(0), 0);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 50 of 300");

  Key(Symbols(), Qt::Key_Down);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - BBB");
  // The quotes follow once the selection has rested.
  EXPECT_TRUE(WaitUntil([this] { return Quotes().model()->rowCount() == 301; }));
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");

  ClickRow(Symbols(), 2);
  EXPECT_EQ(Quotes().model()->rowCount(), 302);
  // A click on the row that is already current loads it again (after a keyboard move).
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  ClickRow(Symbols(), 1);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(Quotes().model()->rowCount(), 301);

  Key(*View().PortfolioList(), Qt::Key_Down);
  EXPECT_EQ(Quotes().model()->rowCount(), 7);
  EXPECT_EQ(Title(), "Voltrim - " + other + " - XXX");
}

}  // namespace
}  // namespace voltrim::testing
