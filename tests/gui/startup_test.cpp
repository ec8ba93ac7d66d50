#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include "browser/command_ids.h"
#include "browser/ui/scan_progress_box.h"
#include "gui_fixture.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

using StartupTest = GuiTest;

TEST_F(StartupTest, WindowIsShownEmptyThenTheFirstScanFillsTheThreeLists) {
  const std::string second = Portfolio("b_port", PortfolioOf({"XYZ"}, 3));
  const std::string first = Portfolio("A_port", PortfolioOf({"AAA", "BBB"}, 40));

  Open();
  // Before the set-up timer fires the window stands, empty, under the program's name.
  EXPECT_EQ(window->windowTitle(), "Voltrim");
  EXPECT_EQ(View().PortfolioList()->count(), 0);
  WaitForSetUp();

  ASSERT_EQ(View().DriveList()->count(), 1);
  EXPECT_EQ(View().DriveList()->currentText().toStdString(), DrivePath());
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  // Sorted without regard to case, the first one selected and loaded.
  EXPECT_EQ(View().PortfolioList()->item(0)->text().toStdString(), first);
  EXPECT_EQ(View().PortfolioList()->item(1)->text().toStdString(), second);
  EXPECT_EQ(View().PortfolioList()->currentRow(), 0);

  ASSERT_EQ(Symbols().model()->rowCount(), 2);
  EXPECT_EQ(Cell(Symbols(), 0, 0), "AAA");
  // Names keep their stored trailing blanks.
  EXPECT_EQ(Cell(Symbols(), 1, 1), "BBB INC         ");
  EXPECT_EQ(Symbols().SelectedRow(), 0);

  // Newest first: row 0 is the 40th quote.
  ASSERT_EQ(Quotes().model()->rowCount(), 40);
  EXPECT_EQ(Cell(Quotes(), 0, 4), "10.8900");
  EXPECT_EQ(Cell(Quotes(), 39, 0), "01/03/00");
  EXPECT_EQ(Cell(Quotes(), 0, 6), "N/A");
  EXPECT_EQ(Quotes().SelectedRow(), 0);

  EXPECT_EQ(window->windowTitle().toStdString(), "Voltrim - " + first + " - AAA");
  EXPECT_EQ(View().ProgressBox(), nullptr);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(StartupTest, StatusPanesCountSymbolsAndQuotesFromTheOldest) {
  Portfolio("p", PortfolioOf({"AAA", "BBB", "CCC"}, 12));
  Open();
  EXPECT_EQ(window->SymbolPane()->text(), "No Symbols Read");
  EXPECT_EQ(window->QuotePane()->text(), "No Quotes Read");
  WaitForSetUp();

  EXPECT_EQ(window->MessagePane()->text(), "For Help, press F1");
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 1 of 3");
  EXPECT_EQ(window->QuotePane()->text(), "Quote 12 of 12");

  Quotes().setFocus();
  QTest::keyClick(&Quotes(), Qt::Key_Down);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 11 of 12");
  QTest::keyClick(&Quotes(), Qt::Key_End);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 1 of 12");

  ClickRow(Symbols(), 2);
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 3 of 3");
  EXPECT_EQ(window->QuotePane()->text(), "Quote 14 of 14");
  // The panes are wide enough for their sizing texts.
  EXPECT_GE(window->SymbolPane()->width(),
            window->SymbolPane()->fontMetrics().horizontalAdvance("Symbols: xxxxxxxxxxxxxxxx"));
}

TEST_F(StartupTest, MenusAndToolbarCarryEveryCommandWithItsTextsAndIcons) {
  Portfolio("p", PortfolioOf({"AAA"}, 3));
  Start();

  const QAction* rescan = window->Action(command::kReScan);
  ASSERT_NE(rescan, nullptr);
  EXPECT_EQ(rescan->text(), "&ReScan");
  EXPECT_EQ(rescan->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_EQ(rescan->statusTip(), "ReScan drive(s) for portfolios");
  EXPECT_EQ(rescan->toolTip(), "ReScan");
  EXPECT_EQ(rescan->data().toInt(), command::kReScan);
  EXPECT_EQ(window->Action(command::kQuoteAdjust)->text(), "Adju&st...");
  EXPECT_EQ(window->Action(command::kSymbolAbout)->statusTip(),
            "Facts about the selected quote series");

  const auto* toolbar = window->findChild<QToolBar*>("toolbar");
  ASSERT_NE(toolbar, nullptr);
  std::vector<int> order;
  for (QAction* action : toolbar->actions()) {
    order.push_back(action->isSeparator() ? 0 : action->data().toInt());
    if (!action->isSeparator()) {
      EXPECT_FALSE(action->icon().isNull()) << action->data().toInt();
      EXPECT_FALSE(action->icon().pixmap(16, 16).isNull()) << action->data().toInt();
    }
  }
  namespace c = command;
  const std::vector<int> expected = {c::kAppExit,
                                     0,
                                     c::kSplitSearch,
                                     c::kSearchFilter,
                                     c::kReScan,
                                     0,
                                     c::kSymbolDelete,
                                     c::kSymbolMove,
                                     c::kSymbolCopy,
                                     c::kSymbolEdit,
                                     c::kSymbolAbout,
                                     0,
                                     c::kQuoteEdit,
                                     c::kQuoteSplit,
                                     c::kQuoteAdjust,
                                     c::kQuoteAdd,
                                     c::kQuoteDelete,
                                     c::kQuoteExport,
                                     0,
                                     c::kAppAbout};
  EXPECT_EQ(order, expected);
}

TEST_F(StartupTest, CommandsFollowTheEnablingRulesAndStayOffUntilBuilt) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  Start();
  namespace c = command;
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
  Quotes().setFocus();
  QTest::keyClick(&Quotes(), Qt::Key_End);
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

TEST_F(StartupTest, AnEmptyDriveSaysSoAndLeavesTheBrowserEmpty) {
  Start();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.toStdString(), "No master files found on drive " + DrivePath() +
                                             "\n\n(Is your Portfolio Search Filter setting "
                                             "correct?)");
  EXPECT_EQ(boxes[0].title, "Voltrim");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(boxes[0].scanBoxOpen);
  EXPECT_EQ(View().PortfolioList()->count(), 0);
  EXPECT_EQ(Symbols().model()->rowCount(), 0);
  EXPECT_EQ(window->windowTitle(), "Voltrim");
  EXPECT_FALSE(window->Action(command::kSymbolAbout)->isEnabled());
  EXPECT_TRUE(window->Action(command::kReScan)->isEnabled());
}

}  // namespace
}  // namespace voltrim::testing
