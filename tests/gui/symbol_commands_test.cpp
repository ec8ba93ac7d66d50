#include <QDropEvent>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUrl>

#include "cli/cli_run.h"
#include "gui_fixture.h"
#include "history/ui/history_dialog.h"
#include "symbols/ui/delete_symbol_dialog.h"
#include "symbols/ui/edit_symbol_dialog.h"
#include "symbols/ui/transfer_symbol_dialog.h"

namespace voltrim::testing {
namespace {

using SymbolCommandsTest = GuiTest;

TEST_F(SymbolCommandsTest, EditCutsTheSymbolAtSixteenAndRenamesTheRowWithoutARefill) {
  const std::string dir = Write(drive.path() / "a", PortfolioOf({"AAA", "BBB"}));
  Start();
  const Typed typed = {{"symbol", "bolt_and_nut_company"}, {"name", "Bolt Corp"}};
  EXPECT_EQ(Make({1, -1, command::kSymbolEdit, typed}), "closed");
  EXPECT_TRUE(Holds(dir, "bolt_and_nut_com"));  // the bytes: the window-against-CLI table
  // The row and the loaded symbol take the texts as typed; the quotes stay loaded.
  EXPECT_EQ(Cell(Symbols(), 1, 1), "Bolt Corp");
  EXPECT_EQ(State().quotes.loadedName, "Bolt Corp");
  EXPECT_EQ(State().quotes.RowCount(), 6);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - bolt_and_nut_com");

  // An XMASTER name of 45 characters shows whole: going to its end scrolls nothing.
  EditSymbolDialog wide("IBM", "INTERNATIONAL BUSINESS MACHINES CORP COMMON S", *prompt,
                        window.get(), 14, 45);
  wide.show();
  QLineEdit* name = wide.NameEdit();
  name->home(false);
  const int start = name->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
  name->end(false);
  EXPECT_EQ(name->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() - start,
            name->fontMetrics().horizontalAdvance(name->text()));
}

// Copy and Move share the dialog and its handling: the destination chosen (the first
// offered: the window-against-CLI table); OK with none chosen does nothing.
TEST_F(SymbolCommandsTest, ATransferGoesToTheChosenPortfolio) {
  const std::string a = Write(drive.path() / "a", PortfolioOf({"AAA", "BBB"}));
  Write(drive.path() / "b", PortfolioOf({"BBB"}));
  const std::string c = Write(drive.path() / "c", PortfolioOf({"CCC"}));
  Start();
  const Snapshot sourceBefore = TakeSnapshot(a);
  ClickRow(Symbols(), 1);
  // Moves BBB by `choose` on the dialog's list of destinations, then OK.
  const auto move = [this](const std::function<void(QListWidget&)>& choose) {
    onDialog = [choose](QDialog& dialog) {
      dialog.show();
      choose(*dynamic_cast<TransferSymbolDialog&>(dialog).Destinations());
      QTest::keyClick(&dialog, Qt::Key_Return);
      return dialog.result();
    };
    window->Action(command::kSymbolMove)->trigger();
  };
  move([](QListWidget& list) { list.clearSelection(); });
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(TakeSnapshot(a), sourceBefore);
  // BBB into c: it leaves a, whose grid is read again.
  move([this](QListWidget& list) { Key(list, Qt::Key_Down); });
  EXPECT_TRUE(Holds(c, "BBB"));
  EXPECT_FALSE(Holds(a, "BBB"));
  EXPECT_EQ(Symbols().model()->rowCount(), 1);
}

// AAA and BBB hold 01/03/00 to 01/07/00 (and 01/10/00 for BBB). The update file brings
// 01/10/00 to AAA, repeats BBB's 01/10/00 with another close, and names a symbol the portfolio
// lacks; then the quote file for AAA repeats 01/10/00, changes 01/07/00 and brings 01/11/00.
// Each preview keeps the stored quotes unless told; the writes: the window-against-CLI table.
TEST_F(SymbolCommandsTest, AFileDroppedOnAGridOpensItsPreviewAndTheGridsShowTheResult) {
  Write(drive.path() / "p", PortfolioOf({"AAA", "BBB"}, 5));
  const TempDir files;
  Start();
  const struct {
    const char* grid;  // dropped on
    const char* text;
    std::string preview;  // its title, a row of the update's table, the import's counts
    int symbols, quotes;  // the grids' rows after Replace (and, for the update, Create)
  } drops[] = {
      {"symbolsGrid",
       "symbol,date,time,open,high,low,close,volume,openint\nAAA,2000-01-10,,11,12,10,11.5,1900,\n"
       "BBB,2000-01-10,,99,99,99,99,99,\nNEWSYM,2000-01-10,,1,2,0.5,1.5,100,\n",
       "Update Portfolio: unknown: created in MASTER as F3.DAT", 3, 6},
      {"quotesGrid",
       "Date,Open,High,Low,Close,Adj Close,Volume\n2000-01-11,12,13,11,12.5,12.4,2000\n"
       "2000-01-10,11,12,10,11.5,11.4,1900\n2000-01-07,10,11,9,99.5,99.4,1800\n",
       "Import Quotes: New dates: 1    Unchanged: 1    With other values: 1", 3, 7},
  };
  for (const auto& c : drops) {
    SCOPED_TRACE(c.grid);
    const std::string file = files.str() + "/" + c.grid + ".csv";
    WriteText(file, c.text);
    std::vector<std::string> previews;
    onDialog = [&](QDialog& dialog) {
      dialog.show();
      const auto* rows = dialog.findChild<QTableWidget*>("rows");
      previews.push_back(
          (dialog.windowTitle() + ": " +
           (LabelOf(dialog, "counts") == "<none>" ? rows->item(2, 1)->text()
                                                  : LabelOf(dialog, "counts").section('\n', 0, 0)))
              .toStdString());
      if (auto* create = dialog.findChild<QCheckBox*>("create")) Click(create);
      EXPECT_TRUE(ChildOf<QRadioButton>(dialog, "keep")->isChecked());
      Click(ChildOf<QRadioButton>(dialog, "replace"));
      Press(dialog, QDialogButtonBox::Ok);
      return dialog.result();
    };
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    QWidget* target = window->findChild<GridView*>(c.grid)->viewport();
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.size() == 1; }));
    boxes.clear();
    EXPECT_EQ(previews, std::vector<std::string>{c.preview});
    EXPECT_EQ(Symbols().model()->rowCount(), c.symbols);
    EXPECT_EQ(Quotes().model()->rowCount(), c.quotes);
  }
}

// Delete asks with No as the default (Enter, or closing the dialog); Ctrl+Z takes a delete
// back and the grids show it; a change made outside (as voltrim-cli would) is found when the
// Edit menu opens, and its undo refills the quotes grid.
TEST_F(SymbolCommandsTest, UndoTakesBackAChangeAndTheGridsShowTheDataAsItWas) {
  const std::string dir = Write(drive.path() / "a", PortfolioOf({"AAA", "BBB", "CCC"}));
  Start();
  QAction& undo = *window->Action(command::kEditUndo);
  EXPECT_FALSE(undo.isEnabled());
  const Snapshot before = TakeSnapshot(dir);
  ClickRow(Symbols(), 1);
  int opened = 0;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(LabelOf(dialog, "symbol") + LabelOf(dialog, "question"),
              "BBBAre you sure you want to delete the Symbol shown above? ");
    if (++opened == 1) QTest::keyClick(&dialog, Qt::Key_Return);
    if (opened == 2) dialog.close();
    if (opened == 3) Click(dynamic_cast<DeleteSymbolDialog&>(dialog).YesButton());
    return dialog.result();
  };
  for (int i = 0; i < 2; ++i) window->Action(command::kSymbolDelete)->trigger();
  EXPECT_EQ(TakeSnapshot(dir), before);
  window->Action(command::kSymbolDelete)->trigger();
  ASSERT_EQ(Symbols().model()->rowCount(), 2);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");  // the first row current
  EXPECT_EQ(undo.text(), "&Undo Delete Symbol BBB");
  Activate();
  Key(Symbols(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Cell(Symbols(), 1, 0), "BBB");
  EXPECT_FALSE(undo.isEnabled());
  EXPECT_EQ(undo.text(), "&Undo");

  const QString close = Cell(Quotes(), 0, 4);
  ASSERT_EQ(RunCli({"adjust", dir, "AAA", "01/03/00", "01/07/00", "--price", "2"}).exitCode, 0);
  QMenu* menu = window->menuBar()->actions()[1]->menu();
  menu->popup(window->mapToGlobal(QPoint(40, 0)));
  EXPECT_TRUE(undo.isEnabled());
  menu->hide();
  window->Action(command::kReScan)->trigger();
  WaitForScan();
  ASSERT_NE(Cell(Quotes(), 0, 4), close);
  EXPECT_EQ(undo.text(), "&Undo Adjust AAA");
  undo.trigger();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Cell(Quotes(), 0, 4), close);

  // Redo (Ctrl+Shift+Z or Ctrl+Y) puts the adjustment back.
  QAction& redo = *window->Action(command::kEditRedo);
  EXPECT_EQ(redo.text(), "&Redo Adjust AAA");
  Activate();
  Key(Symbols(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_NE(Cell(Quotes(), 0, 4), close);
  EXPECT_FALSE(redo.isEnabled());
  const Snapshot adjusted = TakeSnapshot(dir);
  Key(Symbols(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Cell(Quotes(), 0, 4), close);
  Key(Symbols(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(TakeSnapshot(dir), adjusted);

  // The History window undoes down to the change chosen and redoes up to another; a change
  // made outside is in it.
  ASSERT_EQ(RunCli({"delete-symbol", dir, "BBB"}).exitCode, 0);
  onDialog = [&](QDialog& dialog) {
    auto& history = dynamic_cast<HistoryDialog&>(dialog);
    QTreeWidget& list = *history.List();
    EXPECT_EQ(list.topLevelItemCount(), 2);
    if (list.topLevelItemCount() != 2) return 0;
    EXPECT_EQ(list.topLevelItem(0)->text(2), "Delete Symbol BBB");
    EXPECT_EQ(list.topLevelItem(1)->text(2), "Adjust AAA");
    EXPECT_FALSE(history.RedoButton()->isEnabled());
    list.setCurrentItem(list.topLevelItem(1));
    Click(history.UndoButton());
    EXPECT_EQ(list.topLevelItem(0)->text(3), "Undone");
    EXPECT_EQ(list.topLevelItem(1)->text(3), "Undone");
    EXPECT_EQ(TakeSnapshot(dir), before);
    EXPECT_TRUE(history.RedoButton()->isEnabled());
    Click(history.RedoButton());
    EXPECT_EQ(list.topLevelItem(0)->text(3), "Undone");
    EXPECT_EQ(list.topLevelItem(1)->text(3), "");
    EXPECT_EQ(TakeSnapshot(dir), adjusted);
    return 0;
  };
  window->Action(command::kEditHistory)->trigger();
  EXPECT_EQ(Symbols().model()->rowCount(), 3);
  EXPECT_EQ(undo.text(), "&Undo Adjust AAA");
  EXPECT_EQ(redo.text(), "&Redo Delete Symbol BBB");
}

// Rows are selected as in a file manager, the pane counting them; while several are, the
// commands of one series are off and the title and the quotes follow the current row. The
// dialogs count and list the symbols; Delete asks once, and one Ctrl+Z brings all back.
TEST_F(SymbolCommandsTest, SeveralRowsAreSelectedAndDeletedInOneStepThatOneUndoTakesBack) {
  const std::string dir = Write(drive.path() / "a", PortfolioOf({"AAA", "BBB", "CCC", "ABC"}));
  Write(drive.path() / "b", PortfolioOf({"ZZZ"}));
  Start();
  const Snapshot before = TakeSnapshot(dir);
  const auto selected = [this] {
    window->RefreshFromState();
    return std::pair(State().symbols.selected, window->SymbolPane()->text().toStdString());
  };
  ClickRow(Symbols(), 1);
  ClickRow(Symbols(), 3, Qt::ShiftModifier);
  EXPECT_EQ(selected(),
            std::pair(std::vector<int>{1, 2, 3}, std::string("3 of 4 symbols selected")));
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - ABC");
  EXPECT_EQ(State().quotes.loadedSymbol, "ABC");
  for (const int id :
       {command::kSymbolEdit, command::kSymbolAbout, command::kQuoteEdit, command::kQuoteSplit,
        command::kQuoteAdjust, command::kQuoteAdd, command::kQuoteDelete, command::kQuoteImport})
    EXPECT_FALSE(Enabled(id)) << id;
  for (const int id :
       {command::kSymbolDelete, command::kSymbolMove, command::kSymbolCopy, command::kQuoteExport})
    EXPECT_TRUE(Enabled(id)) << id;
  ClickRow(Symbols(), 2, Qt::ControlModifier);
  EXPECT_EQ(selected().first, (std::vector<int>{1, 3}));
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - CCC");
  ClickRow(Symbols(), 2);
  Key(Symbols(), Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(selected().first, (std::vector<int>{1, 2}));
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - BBB");
  // The filter shows AAA and ABC; Ctrl+A takes those two.
  QTest::keyClicks(View().SymbolFilter(), "a");
  Key(Symbols(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(selected(), std::pair(std::vector<int>{0, 3}, std::string("2 of 4 symbols selected")));

  std::vector<std::string> shown;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    std::string text = dialog.windowTitle().toStdString() + ":";
    for (const auto* group : dialog.findChildren<QGroupBox*>())
      if (group->findChild<QListWidget*>("symbols")) text += " " + group->title().toStdString();
    for (const auto* label : dialog.findChildren<QLabel*>())
      if (label->text().startsWith("You have")) text += " " + label->text().toStdString();
    const auto* list = dialog.findChild<QListWidget*>("symbols");
    for (int i = 0; list && i < list->count(); ++i)
      text += " " + list->item(i)->text().toStdString();
    shown.push_back(text);
    if (auto* remove = dynamic_cast<DeleteSymbolDialog*>(&dialog)) Click(remove->YesButton());
    return dialog.result();
  };
  for (const int id : {command::kSymbolMove, command::kQuoteExport, command::kSymbolDelete})
    window->Action(id)->trigger();
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Move Symbols: You have chosen 2 Symbols: AAA ABC",
                       "Export Symbols: 2 Symbols, in one file with a symbol column AAA ABC",
                       "Delete Symbols: Selected Symbols to Delete (2): AAA ABC"}));
  EXPECT_EQ(ReadMaster(dir).records.size(), 2u);
  EXPECT_EQ(window->Action(command::kEditUndo)->text(), "&Undo Delete 2 Symbols");
  Activate();
  Key(Symbols(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Symbols().model()->rowCount(), 4);
}

}  // namespace
}  // namespace voltrim::testing
