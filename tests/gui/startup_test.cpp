#include <QAction>
#include <QLabel>
#include <QToolBar>

#include "browser/ui/scan_progress_box.h"
#include "gui_fixture.h"

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

  EXPECT_EQ(View().DriveList()->currentText().toStdString(), drive.str());
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  // Sorted without regard to case, the first one selected and loaded.
  EXPECT_EQ(View().PortfolioList()->item(0)->text().toStdString(), first);
  EXPECT_EQ(View().PortfolioList()->item(1)->text().toStdString(), second);
  EXPECT_EQ(View().PortfolioList()->currentRow(), 0);
  EXPECT_EQ(Cell(Symbols(), 1, 1), "BBB INC         ");  // stored trailing blanks kept
  EXPECT_EQ(Symbols().SelectedRow(), 0);
  // Newest first: row 0 is the 12th quote.
  EXPECT_EQ(Cell(Quotes(), 0, 4), "10.6100");
  EXPECT_EQ(Cell(Quotes(), 11, 0), "01/03/00");
  EXPECT_EQ(Cell(Quotes(), 0, 6), "N/A");
  EXPECT_EQ(Quotes().SelectedRow(), 0);
  EXPECT_EQ(Title(), "Voltrim - " + first + " - AAA");
  EXPECT_EQ(View().ProgressBox(), nullptr);
  EXPECT_TRUE(boxes.empty());

  EXPECT_EQ(window->MessagePane()->text(), "For Help, press F1");
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 1 of 3");
  EXPECT_EQ(window->QuotePane()->text(), "Quote 12 of 12");
  Key(Quotes(), Qt::Key_Down);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 11 of 12");
  ClickRow(Symbols(), 2);
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 3 of 3");
  EXPECT_EQ(window->QuotePane()->text(), "Quote 14 of 14");
  // The panes are wide enough for their sizing texts.
  EXPECT_GE(window->SymbolPane()->width(),
            window->SymbolPane()->fontMetrics().horizontalAdvance("Symbols: xxxxxxxxxxxxxxxx"));
}

TEST_F(StartupTest, MenusAndToolbarCarryEveryCommandWithItsTextsAndIcons) {
  Start();
  const QAction* rescan = window->Action(c::kReScan);
  ASSERT_NE(rescan, nullptr);
  EXPECT_EQ(rescan->text(), "&ReScan");
  EXPECT_EQ(rescan->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(rescan->statusTip(), "ReScan drive(s) for portfolios");
  EXPECT_EQ(rescan->toolTip(), "ReScan");
  EXPECT_EQ(window->Action(c::kQuoteAdjust)->text(), "Adju&st...");
  EXPECT_EQ(window->Action(c::kSymbolAbout)->statusTip(), "Facts about the selected quote series");

  std::vector<std::vector<int>> groups(1);  // the toolbar's buttons between its separators
  for (QAction* action : window->findChild<QToolBar*>("toolbar")->actions()) {
    if (action->isSeparator()) {
      groups.emplace_back();
      continue;
    }
    groups.back().push_back(action->data().toInt());
    EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << groups.back().back();
  }
  EXPECT_EQ(groups,
            (std::vector<std::vector<int>>{
                {c::kAppExit},
                {c::kSplitSearch, c::kSearchFilter, c::kReScan},
                {c::kSymbolDelete, c::kSymbolMove, c::kSymbolCopy, c::kSymbolEdit, c::kSymbolAbout},
                {c::kQuoteEdit, c::kQuoteSplit, c::kQuoteAdjust, c::kQuoteAdd, c::kQuoteDelete,
                 c::kQuoteExport},
                {c::kAppAbout}}));
}

TEST_F(StartupTest, CommandsFollowTheEnablingRulesAndStayOffUntilBuilt) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  Start();
  for (const int id : {c::kAppExit, c::kSearchFilter, c::kReScan, c::kSymbolAbout, c::kHelpTopics,
                       c::kAppAbout, c::kViewToolbar, c::kViewStatusBar}) {
    EXPECT_TRUE(window->Action(id)->isEnabled()) << id;
  }
  for (const int id : {c::kQuoteEdit, c::kQuoteSplit, c::kQuoteAdjust, c::kQuoteAdd,
                       c::kQuoteDelete, c::kQuoteExport, c::kSymbolEdit, c::kSymbolDelete,
                       c::kSymbolMove, c::kSymbolCopy, c::kSplitSearch}) {
    EXPECT_FALSE(window->Action(id)->isEnabled()) << id;
  }
  // A command that gets its handler follows the browser's rule as the state changes:
  // Add is off while the oldest quote is current.
  window->SetCommandHandler(c::kQuoteAdd, [] {});
  EXPECT_TRUE(window->Action(c::kQuoteAdd)->isEnabled());
  Key(Quotes(), Qt::Key_End);
  EXPECT_FALSE(window->Action(c::kQuoteAdd)->isEnabled());
  QTest::keyClick(&Quotes(), Qt::Key_Home);
  EXPECT_TRUE(window->Action(c::kQuoteAdd)->isEnabled());
}

TEST_F(StartupTest, ReScanOnF5WalksAgainAndShowsTheProgressBox) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  Start();
  Portfolio("q", PortfolioOf({"QQQ"}, 2));

  // The box is up while the walk runs and gone before the first portfolio loads.
  struct Watcher : QObject {
    BrowserView* view;
    QString title;
    bool hasCloseButton = true;
    bool sawBox = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
      if (event->type() == QEvent::Show && view->ProgressBox() && !sawBox) {
        sawBox = true;
        title = view->ProgressBox()->windowTitle();
        hasCloseButton = view->ProgressBox()->windowFlags().testFlag(Qt::WindowCloseButtonHint);
      }
      return QObject::eventFilter(watched, event);
    }
  } watcher;
  watcher.view = &View();
  qApp->installEventFilter(&watcher);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QTest::keyClick(window.get(), Qt::Key_F5);
  qApp->removeEventFilter(&watcher);

  EXPECT_TRUE(watcher.sawBox);
  EXPECT_EQ(watcher.title, "Searching for Master Files");
  EXPECT_FALSE(watcher.hasCloseButton);
  EXPECT_EQ(View().ProgressBox(), nullptr);
  EXPECT_EQ(View().PortfolioList()->count(), 2);
}

TEST_F(StartupTest, AnEmptyDriveIsAWarningShownAfterTheScanBoxCloses) {
  Start();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("No master files found on drive "));
  EXPECT_EQ(boxes[0].title, "Voltrim");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(boxes[0].scanBoxOpen);
  EXPECT_EQ(Symbols().model()->rowCount(), 0);
  EXPECT_EQ(window->windowTitle(), "Voltrim");
  EXPECT_FALSE(window->Action(c::kSymbolAbout)->isEnabled());
  EXPECT_TRUE(window->Action(c::kReScan)->isEnabled());
}

}  // namespace
}  // namespace voltrim::testing
