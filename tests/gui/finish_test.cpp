#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>

#include "app/help_window.h"
#include "browser/ui/path_list.h"
#include "discovery/ui/search_filter_dialog.h"
#include "gui_fixture.h"
#include "widgets/dialog_frame.h"

namespace voltrim::testing {
namespace {

using FinishTest = GuiTest;

TEST_F(FinishTest, EnterInTheSymbolsGridLoadsTheCurrentSymbolsQuotes) {
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

TEST_F(FinishTest, LongPortfolioPathsAreShortenedInTheMiddleWithTheWholePathAsTip) {
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

TEST_F(FinishTest, DialogsHaveAFixedSizeAndNoMinimiseOrMaximiseButton) {
  Start();
  bool checked = false;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    checked = true;
    return 0;
  };
  window->Action(command::kSearchFilter)->trigger();
  EXPECT_TRUE(checked);
}

// A file dialog is for browsing: resizable, and no larger than the screen it opens on.
TEST_F(FinishTest, FileDialogsStayResizableAndFitTheScreen) {
  QFileDialog dialog;
  dialog.resize(5000, 4000);
  FixDialogFrame(dialog);
  const QSize screen = dialog.screen()->availableGeometry().size();
  EXPECT_LE(dialog.width(), screen.width());
  EXPECT_LE(dialog.height(), screen.height());
  EXPECT_NE(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);
}

TEST_F(FinishTest, HelpOpensBesideTheWindowAndEscapeOrCtrlWCloseIt) {
  Open();
  window->Action(command::kHelpTopics)->trigger();
  auto* help = window->findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowActive(help));
  EXPECT_GT(help->Browser()->document()->documentMargin(), 4);
  QTest::keyClick(help->Browser(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(help->isVisible());
  window->Action(command::kHelpTopics)->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowActive(help));
  QTest::keyClick(help->Browser(), Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());
}

TEST_F(FinishTest, APromptShownBeforeTheWindowTakesTheHelpTextsPlace) {
  Open();
  window->hide();
  window->statusBar()->showMessage("Filter");
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_FALSE(window->MessagePane()->isVisible());
  window->statusBar()->clearMessage();
  EXPECT_TRUE(window->MessagePane()->isVisible());
  EXPECT_EQ(window->MessagePane()->text(), "For Help, press F1");
}

}  // namespace
}  // namespace voltrim::testing
