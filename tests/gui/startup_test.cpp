#include <QToolBar>

#include <atomic>

#include "browser/ui/path_list.h"
#include "chart/ui/price_chart.h"
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
  EXPECT_EQ(Title(), "Voltrim");
  EXPECT_EQ(View().PortfolioList()->count(), 0);
  EXPECT_EQ(window->SymbolPane()->text(), "No Symbols Read");
  EXPECT_EQ(window->QuotePane()->text(), "No Quotes Read");
  WaitForSetUp();

  // Sorted without regard to case, the first one selected and loaded, newest quote first.
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(View().PortfolioList()->item(0)->text().toStdString(), first);
  EXPECT_EQ(View().PortfolioList()->item(1)->text().toStdString(), second);
  EXPECT_EQ(Cell(Quotes(), 0, 4), "10.6100");
  EXPECT_EQ(Title(), "Voltrim - " + first + " - AAA");
  EXPECT_EQ(window->MessagePane()->text(), "For Help, press F1");
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 1 of 3");
  EXPECT_EQ(window->QuotePane()->text(), "Quote 12 of 12");
  // Every toolbar button has an icon, also where no icon theme is installed.
  for (QAction* action : window->findChild<QToolBar*>()->actions()) {
    EXPECT_TRUE(action->isSeparator() || !action->icon().isNull())
        << action->toolTip().toStdString();
  }
}

// A command without a handler is off; with one it follows the browser's rule as the state
// changes (the rules themselves: CommandEnabling in the browser tests).
TEST_F(StartupTest, CommandsFollowTheEnablingRulesAndF5ReScans) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  Start();
  window->SetCommandHandler(c::kQuoteAdd, {});
  EXPECT_FALSE(Enabled(c::kQuoteAdd));
  window->SetCommandHandler(c::kQuoteAdd, [] {});
  EXPECT_TRUE(Enabled(c::kQuoteAdd));
  Key(Quotes(), Qt::Key_End);
  EXPECT_FALSE(Enabled(c::kQuoteAdd));  // nothing before the oldest quote

  Portfolio("q", PortfolioOf({"QQQ"}, 2));
  Activate();
  QTest::keyClick(window.get(), Qt::Key_F5);
  WaitForScan();
  EXPECT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(View().ProgressBox(), nullptr);
}

// The box shows the walk's progress while the walk is held on its thread; F5 and ReScan
// start no second walk.
TEST_F(StartupTest, TheScanBoxShowsTheWalkAndF5DuringAScanStartsNoSecondWalk) {
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
  ASSERT_TRUE(
      WaitUntil([&] { return View().ProgressBox() && View().ProgressBox()->CountText() == "1"; }));
  EXPECT_EQ(View().ProgressBox()->PathText().toStdString(), dir);
  EXPECT_TRUE(View().ProgressBox()->isVisible());
  EXPECT_FALSE(Enabled(c::kReScan));
  EXPECT_FALSE(Enabled(c::kSearchFilter));
  EXPECT_FALSE(View().DriveList()->isEnabled());
  Activate();
  QTest::keyClick(window.get(), Qt::Key_F5);
  window->Action(c::kReScan)->trigger();
  gate.Open();
  WaitForScan();
  EXPECT_EQ(walks, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(Enabled(c::kReScan));
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
  EXPECT_FALSE(Enabled(c::kSymbolAbout));
}

TEST_F(StartupTest, ShortcutsAreShownInTheMenusAndReachTheirCommands) {
  const std::pair<int, const char*> shortcuts[] = {
      {c::kAppExit, "Ctrl+Q"},   {c::kSearchFilter, "Ctrl+F"}, {c::kReScan, "F5"},
      {c::kQuoteEdit, "Ctrl+E"}, {c::kQuoteDelete, "Del"},     {c::kHelpTopics, "F1"},
      {c::kEditUndo, "Ctrl+Z"}};
  Portfolio("p", PortfolioOf({"AAA", "BBB"}, 5));
  Start();
  for (const auto& [id, keys] : shortcuts) {
    EXPECT_EQ(window->Action(id)->shortcut().toString().toStdString(), keys) << id;
  }
  std::vector<std::string> opened;
  onDialog = [&](QDialog& dialog) {
    opened.push_back(dialog.objectName().toStdString() + " " +
                     LabelOf(dialog, "date").toStdString());
    return int(QDialog::Rejected);
  };
  Activate();
  // Enter and Del on a quote row: the editor and the deletion of that quote. Del elsewhere
  // deletes nothing; Ctrl+E and Ctrl+F work from anywhere in the window.
  Key(Quotes(), Qt::Key_Down);
  QTest::keyClick(&Quotes(), Qt::Key_Return);
  QTest::keyClick(&Quotes(), Qt::Key_Delete);
  Key(Symbols(), Qt::Key_Delete);
  Key(Symbols(), Qt::Key_E, Qt::ControlModifier);
  Key(Symbols(), Qt::Key_F, Qt::ControlModifier);
  const std::string date = Cell(Quotes(), 1, 0).toStdString();
  EXPECT_EQ(opened,
            (std::vector<std::string>{"quoteEditDialog " + date, "deleteQuoteDialog " + date,
                                      "quoteEditDialog " + date, "searchFilterDialog <none>"}));
  EXPECT_TRUE(boxes.empty());
  Key(Symbols(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(StartupTest, ArrowKeysMoveTheTitleAndThenTheQuotesClicksReloadAndPortfoliosSwitch) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}, 300));
  const std::string other = Portfolio("b", PortfolioOf({"XXX", "YYY"}, 7));
  Start();
  // A refill that makes a far row current selects it and leaves the grid at its top.
  View().browser().FillQuotesGrid(250);
  EXPECT_EQ(Quotes().SelectedRow(), 250);
  EXPECT_EQ(Quotes().rowAt(0), 0);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 50 of 300");

  Key(Symbols(), Qt::Key_Down);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - BBB");
  // The quotes follow once the selection has rested; Enter loads at once.
  EXPECT_TRUE(WaitUntil([this] { return Quotes().model()->rowCount() == 301; }));
  ClickRow(Symbols(), 2);
  EXPECT_EQ(Quotes().model()->rowCount(), 302);
  // A click on the row that is already current loads it again (after a keyboard move).
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  ClickRow(Symbols(), 1);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  QTest::keyClick(&Symbols(), Qt::Key_Return);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");

  Key(*View().PortfolioList(), Qt::Key_Down);
  EXPECT_EQ(Quotes().model()->rowCount(), 7);
  EXPECT_EQ(Title(), "Voltrim - " + other + " - XXX");
}

TEST_F(StartupTest, LongPortfolioPathsAreShortenedInTheMiddleWithTheWholePathAsTip) {
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

// The symbols grid's keyboard selection, the quotes grid, the chart and the commands
// always agree on one series; the n-th of four has 20 + n - 1 quotes.
class SelectionTest : public GuiTest {
 protected:
  SelectionTest() { dir = Portfolio("p", PortfolioOf({"AAA", "BBB", "CCC", "DDD"}, 20)); }
  std::string dir;
  std::vector<std::string> loads;  // the symbol of each fill of the quotes grid
};

TEST_F(SelectionTest, EndAndUpThenEditChangesTheSeriesTheTitleNamesAndNoOther) {
  Start();
  Activate();
  ClickRow(Symbols(), 0);
  Key(Symbols(), Qt::Key_End);
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  ASSERT_EQ(Title(), "Voltrim - " + dir + " - CCC");

  // At once, before the selection has rested: Quotes > Edit loads CCC first.
  const Snapshot before = TakeSnapshot(dir);
  Answer({{"close", "11"}});
  QTest::keyClick(&Symbols(), Qt::Key_E, Qt::ControlModifier);
  const Snapshot after = TakeSnapshot(dir);
  EXPECT_NE(after.at("F3.DAT"), before.at("F3.DAT"));
  for (const char* file : {"F1.DAT", "F2.DAT", "F4.DAT", "MASTER"}) {
    EXPECT_EQ(after.at(file), before.at(file)) << file;
  }
  EXPECT_EQ(Quotes().model()->rowCount(), 22);
  EXPECT_EQ(Cell(Quotes(), 0, 4), "11.0000");
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - CCC");
}

TEST_F(SelectionTest, ARunOfArrowsLoadsWhereItStopsAndEverythingFollows) {
  Start();
  QObject::connect(&View(), &CVoltrimView::quotesChanged, [this] {
    if (State().quotes.RowCount() > 0) loads.push_back(State().quotes.loadedSymbol);
  });
  Key(Symbols(), Qt::Key_Down);
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 4 of 4");
  ASSERT_TRUE(WaitUntil([this] { return !View().browser().QuotesBehindSelection(); }));
  EXPECT_EQ(loads, std::vector<std::string>{"DDD"});
  EXPECT_EQ(Quotes().model()->rowCount(), 23);
  EXPECT_EQ(window->Chart()->Series().Count(), 23);
  window->RefreshFromState();
  EXPECT_EQ(window->QuotePane()->text(), "Quote 23 of 23");

  // Back to the row shown before the rest ends: nothing is loaded again.
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  QTest::qWait(400);
  EXPECT_EQ(loads, std::vector<std::string>{"DDD"});

  // A click in the quotes grid during the rest lands on the new series.
  Key(Symbols(), Qt::Key_Up);
  ClickRow(Quotes(), 3);
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  EXPECT_EQ(State().quotes.currentRow, 3);
  EXPECT_EQ(window->Chart()->CurrentRow(), 3);
}

}  // namespace
}  // namespace voltrim::testing
