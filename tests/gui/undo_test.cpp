#include <QMenu>
#include <QMenuBar>

#include "datafiles/io/change_journal.h"
#include "datafiles/write/rewrite_series.h"
#include "gui_fixture.h"
#include "symbols/ui/delete_symbol_dialog.h"

namespace voltrim::testing {
namespace {

class UndoTest : public GuiTest {
 protected:
  QAction& Undo() { return *window->Action(command::kEditUndo); }
};

// Edit is the second menu; Undo there names the change, Ctrl+Z takes it back and the grids
// show the portfolio as it was; then there is nothing more to undo.
TEST_F(UndoTest, CtrlZTakesBackADeletedSymbolAndTheGridsShowItAgain) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}));
  Start();
  const QList<QAction*> menus = window->menuBar()->actions();
  ASSERT_GE(menus.size(), 2);
  EXPECT_EQ(menus[0]->text(), "&Voltrim");
  EXPECT_EQ(menus[1]->text(), "&Edit");
  EXPECT_FALSE(Undo().isEnabled());
  EXPECT_EQ(Undo().text(), "&Undo");
  const Snapshot before = TakeSnapshot(dir);

  ClickRow(Symbols(), 1);
  onDialog = [](QDialog& dialog) {
    MousePress(dynamic_cast<DeleteSymbolDialog&>(dialog).YesButton());
    return dialog.result();
  };
  window->Action(command::kSymbolDelete)->trigger();
  ASSERT_EQ(Symbols().model()->rowCount(), 2);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");  // the first row current
  EXPECT_EQ(Undo().text(), "&Undo \"Delete Symbol BBB\"");

  Activate();
  Key(Symbols(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Cell(Symbols(), 1, 0), "BBB");
  EXPECT_FALSE(Undo().isEnabled());
  EXPECT_EQ(Undo().text(), "&Undo");
}

// A quote changed elsewhere (here through the core, as voltrim-cli would) is taken back in
// the window: the quotes grid refills with the stored values. A file another program
// changed after that makes the undo refuse with a message and change nothing.
TEST_F(UndoTest, UndoRefillsTheQuotesAndRefusesAfterAnotherProgramsChange) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB"}));
  Start();
  const QString close = Cell(Quotes(), 0, 4);
  const Snapshot before = TakeSnapshot(dir);
  SeriesEdit edit;
  edit.kind = edit_kind::kScaleRange;
  edit.values = {2, 2, 2, 2, 1, 1};
  edit.lastDay = 65535;
  ASSERT_EQ(RewriteSeries(edit, dir, "AAA"), kOk);
  // Opening the Edit menu finds the change made outside the window.
  EXPECT_FALSE(Undo().isEnabled());
  QMenu* menu = window->menuBar()->actions()[1]->menu();
  menu->popup(window->mapToGlobal(QPoint(40, 0)));
  EXPECT_TRUE(Undo().isEnabled());
  menu->hide();
  window->Action(command::kReScan)->trigger();
  WaitForScan();
  ASSERT_NE(Cell(Quotes(), 0, 4), close);
  ASSERT_TRUE(Undo().isEnabled());
  EXPECT_EQ(Undo().text(), "&Undo \"Adjust AAA\"");

  // Another program's change since: refused, named, nothing changed.
  const std::string dat = dir + "/F1.DAT";
  Bytes other = ReadFileBytes(dat);
  other.push_back(0);
  WriteFileBytes(dat, other);
  const Snapshot meddled = TakeSnapshot(dir);
  Undo().trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{ChangedSinceMessage("Adjust AAA", dat)});
  EXPECT_EQ(TakeSnapshot(dir), meddled);

  other.pop_back();
  WriteFileBytes(dat, other);
  Undo().trigger();
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Cell(Quotes(), 0, 4), close);
}

}  // namespace
}  // namespace voltrim::testing
