#include <QCheckBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QUrl>

#include <fstream>

#include "browser/grid_text.h"
#include "datafiles/write/rewrite_series.h"
#include "gui_fixture.h"
#include "import/ui/import_preview_dialog.h"
#include "symbols/ui/delete_symbol_dialog.h"
#include "symbols/ui/edit_symbol_dialog.h"
#include "symbols/ui/transfer_symbol_dialog.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

class SymbolCommandsTest : public GuiTest {
 protected:
  std::vector<std::string> MasterSymbols(const std::string& dir, bool* needsRepair = nullptr) {
    SymbolRows rows;
    EXPECT_EQ(ReadSymbolRows(dir + "/MASTER", rows), kOk);
    if (needsRepair) *needsRepair = rows.needsRepair;
    std::vector<std::string> symbols;
    for (const SymbolRow& row : rows.rows) symbols.push_back(row.symbol + "|" + row.name);
    return symbols;
  }
  // Answers the transfer dialog by `choose` on its list of destinations, then OK.
  void Transfer(int commandId, const std::function<void(QListWidget&)>& choose) {
    onDialog = [choose](QDialog& dialog) {
      dialog.show();
      choose(*dynamic_cast<TransferSymbolDialog&>(dialog).Destinations());
      QTest::keyClick(&dialog, Qt::Key_Return);
      return dialog.result();
    };
    window->Action(commandId)->trigger();
  }
};

TEST_F(SymbolCommandsTest, EditCutsTheSymbolAtSixteenAndRenamesTheRowWithoutARefill) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB"}));
  Start();
  ClickRow(Symbols(), 1);
  onDialog = [&](QDialog& dialog) {
    auto& edit = dynamic_cast<EditSymbolDialog&>(dialog);
    dialog.show();
    TypeInto(edit.SymbolEdit(), "bolt_and_nut_company");
    EXPECT_EQ(edit.SymbolEdit()->text(), "bolt_and_nut_com");
    TypeInto(edit.SymbolEdit(), "bolt");
    TypeInto(edit.NameEdit(), "Bolt Corp");
    QTest::keyClick(&dialog, Qt::Key_Return);
    return dialog.result();
  };
  window->Action(command::kSymbolEdit)->trigger();
  EXPECT_EQ(MasterSymbols(dir),
            (std::vector<std::string>{"AAA|AAA INC         ", "bolt|Bolt Corp       "}));
  // The row and the loaded symbol take the texts as typed; the quotes stay loaded.
  EXPECT_EQ(Cell(Symbols(), 1, 1), "Bolt Corp");
  EXPECT_EQ(State().quotes.loadedName, "Bolt Corp");
  EXPECT_EQ(State().quotes.RowCount(), 6);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - bolt");

  // Blanks are a symbol to the dialog, though not to the next reading of MASTER.
  Answer({{"symbol", "   "}});
  window->Action(command::kSymbolEdit)->trigger();
  EXPECT_TRUE(boxes.empty());
  bool needsRepair = false;
  MasterSymbols(dir, &needsRepair);
  EXPECT_TRUE(needsRepair);
  EXPECT_EQ(State().quotes.loadedSymbol, "   ");
}

// Enter or closing the dialog answers No (Yes deletes: UndoTest, which takes it back).
TEST_F(SymbolCommandsTest, DeleteAsksWithNoAsDefault) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}));
  Start();
  ClickRow(Symbols(), 1);
  const Snapshot before = TakeSnapshot(dir);
  int opened = 0;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(LabelOf(dialog, "symbol"), "BBB");
    EXPECT_EQ(LabelOf(dialog, "question"),
              "Are you sure you want to delete the Symbol shown above? ");
    if (opened++ == 0) QTest::keyClick(&dialog, Qt::Key_Return);
    if (opened == 2) dialog.close();
    return dialog.result();
  };
  for (int i = 0; i < 2; ++i) window->Action(command::kSymbolDelete)->trigger();
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(TakeSnapshot(dir), before);
}

// The destination chosen by mouse or keys; OK with none chosen does nothing.
TEST_F(SymbolCommandsTest, CopyAndMoveGoToTheChosenPortfolio) {
  const std::string a = Portfolio("a", PortfolioOf({"AAA", "BBB"}));
  Portfolio("b", PortfolioOf({"BBB"}));
  const std::string c = Portfolio("c", PortfolioOf({"CCC"}));
  Start();
  const Snapshot sourceBefore = TakeSnapshot(a);
  Transfer(command::kSymbolCopy, [](QListWidget& list) {
    EXPECT_TRUE(list.item(0)->isSelected());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualItemRect(list.item(1)).center());
  });
  EXPECT_EQ(MasterSymbols(c).size(), 2u);
  EXPECT_EQ(TakeSnapshot(a), sourceBefore);

  ClickRow(Symbols(), 1);
  Transfer(command::kSymbolMove, [](QListWidget& list) { list.clearSelection(); });
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(TakeSnapshot(a), sourceBefore);

  // BBB into c: it leaves a, whose grid is read again.
  Transfer(command::kSymbolMove, [this](QListWidget& list) { Key(list, Qt::Key_Down); });
  EXPECT_EQ(MasterSymbols(c).size(), 3u);
  EXPECT_EQ(MasterSymbols(a).size(), 1u);
  EXPECT_EQ(Symbols().model()->rowCount(), 1);
}

TEST_F(SymbolCommandsTest, NewPortfolioAndNewSymbolWriteWhatTheCliWritesAndAreSelected) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  const std::filesystem::path fresh = drive.path() / "fresh";
  std::filesystem::create_directory(fresh);
  TwinDrive twin(drive);
  Start();
  onDialog = [&](QDialog& dialog) {
    auto& chooser = dynamic_cast<QFileDialog&>(dialog);
    chooser.selectFile(QString::fromStdString(fresh.string()));
    return int{QDialog::Accepted};
  };
  window->Action(command::kPortfolioNew)->trigger();
  ASSERT_EQ(State().portfolios.size(), 2u);
  EXPECT_EQ(State().portfolios[static_cast<std::size_t>(State().portfolioSelection)],
            fresh.string());
  EXPECT_EQ(State().portfolioDir, fresh.string());

  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "New Symbol");
    TypeInto(FieldOf(dialog, "symbol"), "NEWCO");
    TypeInto(FieldOf(dialog, "name"), "New Company");
    Click(dialog.findChild<QRadioButton*>("columns6"));
    Click(dialog.findChild<QCheckBox*>("intraday"));
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kSymbolNew)->trigger();
  EXPECT_TRUE(boxes.empty());
  twin.RunCli({"new-portfolio", twin.Path("fresh")});
  twin.RunCli({"new-symbol", twin.Path("fresh"), "NEWCO", "--name", "New Company", "--columns", "6",
               "--intraday"});
  twin.ExpectSameFiles();
  // The new series is the current row, loaded and empty, and can take an import.
  EXPECT_EQ(State().quotes.loadedSymbol, "NEWCO");
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_TRUE(Enabled(command::kQuoteImport));
}

// AAA holds 01/03/00 to 01/07/00; the file changes 01/07/00 and brings 01/10/00 and 01/11/00.
constexpr const char* kQuoteFile =
    "Date,Open,High,Low,Close,Adj Close,Volume\n"
    "2000-01-11,12,13,11,12.5,12.4,2000\n"
    "2000-01-10,11,12,10,11.5,11.4,1900\n"
    "2000-01-07,10,11,9,99.5,99.4,1800\n";

// A file chosen or dropped opens the preview: Cancel writes nothing, Replace the CLI's bytes.
TEST_F(SymbolCommandsTest, ImportThroughThePreviewWritesWhatTheCliWrites) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  const TempDir files;  // the quote file, off the drive the snapshots compare
  const std::string file = files.str() + "/quotes.csv";
  std::ofstream(file, std::ios::binary) << kQuoteFile;
  TwinDrive twin(drive);
  Start();
  int previews = 0;
  onDialog = [&](QDialog& dialog) {
    if (auto* chooser = dynamic_cast<QFileDialog*>(&dialog)) {
      chooser->selectFile(QString::fromStdString(file));
      return int{QDialog::Accepted};
    }
    auto& preview = dynamic_cast<ImportPreviewDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Import Quotes");
    EXPECT_EQ(preview.Counts()->text().section('\n', 0, 0),
              "New dates: 2    Unchanged: 0    With other values: 1");
    EXPECT_TRUE(preview.Columns()->text().contains("Adj Close"));
    EXPECT_TRUE(preview.KeepButton()->isChecked());  // the stored quotes stay unless told
    if (++previews == 1) return int{QDialog::Rejected};
    QTest::mouseClick(preview.ReplaceButton(), Qt::LeftButton);
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kQuoteImport)->trigger();
  EXPECT_EQ(TakeSnapshot(drive.path()), TakeSnapshot(twin.Path("")));

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QWidget* target = Quotes().viewport();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  ASSERT_TRUE(WaitUntil([&] { return previews == 2 && State().quotes.RowCount() == 7; }));
  const CliResult cli = RunCli({"import", twin.Path("p"), "AAA", file, "--replace"});
  ASSERT_EQ(cli.exitCode, 0) << cli.err;
  twin.ExpectSameFiles();
  // The summary the window shows is the one the CLI prints; the grid holds the new quotes.
  EXPECT_EQ(Texts(), std::vector<std::string>{cli.out.substr(0, cli.out.size() - 1)});
  EXPECT_EQ(Cell(Quotes(), 0, 0), "01/11/00");
}

// Ctrl+Z takes a change back and the grids show it; a change made outside (as voltrim-cli
// would) is found when the Edit menu opens, and its undo refills the quotes grid.
TEST_F(SymbolCommandsTest, UndoTakesBackAChangeAndTheGridsShowTheDataAsItWas) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}));
  Start();
  QAction& undo = *window->Action(command::kEditUndo);
  EXPECT_FALSE(undo.isEnabled());
  const Snapshot before = TakeSnapshot(dir);
  ClickRow(Symbols(), 1);
  onDialog = [](QDialog& dialog) {
    Click(dynamic_cast<DeleteSymbolDialog&>(dialog).YesButton());
    return dialog.result();
  };
  window->Action(command::kSymbolDelete)->trigger();
  ASSERT_EQ(Symbols().model()->rowCount(), 2);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");  // the first row current
  EXPECT_EQ(undo.text(), "&Undo \"Delete Symbol BBB\"");
  Activate();
  Key(Symbols(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Cell(Symbols(), 1, 0), "BBB");
  EXPECT_FALSE(undo.isEnabled());
  EXPECT_EQ(undo.text(), "&Undo");

  const QString close = Cell(Quotes(), 0, 4);
  SeriesEdit edit;
  edit.kind = edit_kind::kScaleRange;
  edit.values = {2, 2, 2, 2, 1, 1};
  edit.lastDay = 65535;
  ASSERT_EQ(RewriteSeries(edit, dir, "AAA"), kOk);
  QMenu* menu = window->menuBar()->actions()[1]->menu();
  menu->popup(window->mapToGlobal(QPoint(40, 0)));
  EXPECT_TRUE(undo.isEnabled());
  menu->hide();
  window->Action(command::kReScan)->trigger();
  WaitForScan();
  ASSERT_NE(Cell(Quotes(), 0, 4), close);
  EXPECT_EQ(undo.text(), "&Undo \"Adjust AAA\"");
  undo.trigger();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(Cell(Quotes(), 0, 4), close);
}

}  // namespace
}  // namespace voltrim::testing
