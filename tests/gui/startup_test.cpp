#include <QAction>
#include <QLabel>
#include <QToolBar>

#include <atomic>

#include "browser/ui/path_list.h"
#include "discovery/discovery_walk.h"
#include "discovery/ui/scan_progress_box.h"
#include "gui_fixture.h"
#include "support/event_loop.h"

namespace voltrim::testing {
namespace {

using StartupTest = GuiTest;
namespace c = command;

TEST_F(StartupTest, WindowIsShownEmptyThenTheFirstScanFillsTheListsAndPanes) {
  const std::string second = Portfolio("b_port", PortfolioOf({"XYZ"}, 3));
  const std::string first = Portfolio("A_port", PortfolioOf({"AAA", "BBB", "CCC"}, 12));

  Open();
  // Before the set-up timer fires the window stands, empty, under the program's name.
  EXPECT_EQ(window->windowTitle(), "Voltrim");
  EXPECT_EQ(View().PortfolioList()->count(), 0);
  EXPECT_EQ(window->SymbolPane()->text(), "No Symbols Read");
  EXPECT_EQ(window->QuotePane()->text(), "No Quotes Read");
  WaitForSetUp();

  ASSERT_EQ(View().PortfolioList()->count(), 2);
  // Sorted without regard to case, the first one selected and loaded.
  EXPECT_EQ(View().PortfolioList()->item(0)->text().toStdString(), first);
  EXPECT_EQ(View().PortfolioList()->item(1)->text().toStdString(), second);
  // Newest first: row 0 is the 12th quote.
  EXPECT_EQ(Cell(Quotes(), 0, 4), "10.6100");
  EXPECT_EQ(Title(), "Voltrim - " + first + " - AAA");
  EXPECT_EQ(window->MessagePane()->text(), "For Help, press F1");
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 1 of 3");
  EXPECT_EQ(window->QuotePane()->text(), "Quote 12 of 12");
  // Every toolbar button has an icon, also where no icon theme is installed.
  for (QAction* action : window->findChild<QToolBar*>()->actions()) {
    if (action->isSeparator()) continue;
    EXPECT_FALSE(action->icon().isNull()) << action->toolTip().toStdString();
  }
}

TEST_F(StartupTest, CommandsFollowTheEnablingRulesAndF5ReScans) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  Start();
  EXPECT_TRUE(window->Action(c::kSymbolAbout)->isEnabled());
  window->SetCommandHandler(c::kQuoteAdd, {});
  EXPECT_FALSE(window->Action(c::kQuoteAdd)->isEnabled());  // off without a handler
  // Then it follows the browser's rule as the state changes: off at the oldest quote.
  window->SetCommandHandler(c::kQuoteAdd, [] {});
  EXPECT_TRUE(window->Action(c::kQuoteAdd)->isEnabled());
  Key(Quotes(), Qt::Key_End);
  EXPECT_FALSE(window->Action(c::kQuoteAdd)->isEnabled());

  Portfolio("q", PortfolioOf({"QQQ"}, 2));
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_F5);
  WaitForScan();
  EXPECT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(View().ProgressBox(), nullptr);
}

TEST_F(StartupTest, F5BeforeTheSetUpOrDuringAScanStartsNoSecondWalk) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA"}, 5));
  Gate gate;
  std::atomic<int> walks = 0;
  walk = [&](const std::string& root, const SearchFilter& filter, std::vector<std::string>& found,
             UserPrompt& progress) {
    ++walks;
    progress.ScanProgress(dir, 1);
    gate.Wait();
    WalkDirectory(root, filter, found, progress);
  };
  Open();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_F5);  // before the set-up: nothing happens
  EXPECT_FALSE(window->Action(c::kReScan)->isEnabled());
  EXPECT_EQ(View().ProgressBox(), nullptr);

  // The box shows the walk's progress while the walk is held on its thread.
  ASSERT_TRUE(
      WaitUntil([&] { return View().ProgressBox() && View().ProgressBox()->CountText() == "1"; }));
  EXPECT_EQ(View().ProgressBox()->PathText().toStdString(), dir);
  EXPECT_TRUE(View().ProgressBox()->isVisible());
  EXPECT_FALSE(window->Action(c::kReScan)->isEnabled());
  EXPECT_FALSE(window->Action(c::kSearchFilter)->isEnabled());
  EXPECT_FALSE(View().DriveList()->isEnabled());
  window->activateWindow();
  QTest::keyClick(window.get(), Qt::Key_F5);
  window->Action(c::kReScan)->trigger();
  gate.Open();
  WaitForScan();
  EXPECT_EQ(walks, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(View().PortfolioList()->count(), 1);
  EXPECT_TRUE(window->Action(c::kReScan)->isEnabled());
  EXPECT_TRUE(View().DriveList()->isEnabled());
}

TEST(ScanProgressBoxTest, OnlyTheScanClosesIt) {
  ScanProgressBox box(nullptr);
  box.show();
  EXPECT_EQ(box.windowTitle(), "Searching for Master Files");
  box.close();
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_TRUE(box.isVisible());
  // No close, minimise or maximise button, and no resizing.
  EXPECT_FALSE(box.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
}

TEST_F(StartupTest, AnEmptyDriveIsAWarningShownAfterTheScanBoxCloses) {
  Start();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("No master files found on drive "));
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(boxes[0].scanBoxOpen);
  View().browser().OnPortfolioSelected(0);  // nothing was found: ignored
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_FALSE(window->Action(c::kSymbolAbout)->isEnabled());
}

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

TEST_F(BrowsingTest, EnterInTheSymbolsGridLoadsTheCurrentSymbolsQuotes) {
  Portfolio("p", PortfolioOf({"AAA", "BBB"}, 4));
  Start();
  Key(Symbols(), Qt::Key_Down);
  // Moving loads once the selection rests; Enter loads at once.
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");
  QTest::keyClick(&Symbols(), Qt::Key_Return);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(Quotes().model()->rowCount(), 5);
  Key(Symbols(), Qt::Key_Up);
  QTest::keyClick(&Symbols(), Qt::Key_Enter);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");
}

TEST_F(BrowsingTest, LongPortfolioPathsAreShortenedInTheMiddleWithTheWholePathAsTip) {
  std::string deep = "p";
  while (deep.size() < 200) deep += "/a_folder_with_a_long_name";
  const std::string dir = Portfolio(deep, PortfolioOf({"AAA"}, 2));
  Start();
  PathList& list = *View().PortfolioList();
  ASSERT_EQ(list.count(), 1);
  EXPECT_EQ(list.item(0)->text().toStdString(), dir);
  EXPECT_EQ(list.item(0)->toolTip().toStdString(), dir);
  EXPECT_LE(list.visualItemRect(list.item(0)).width(), list.viewport()->width());
}

}  // namespace
}  // namespace voltrim::testing
