#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "browser/grid_text.h"
#include "gui_fixture.h"
#include "symbols/ui/delete_symbol_dialog.h"
#include "symbols/ui/edit_symbol_dialog.h"
#include "symbols/ui/transfer_symbol_dialog.h"

namespace voltrim::testing {
namespace {

class SymbolCommandsTest : public GuiTest {
 protected:
  SymbolRows MasterRows(const std::string& dir) {
    SymbolRows rows;
    EXPECT_EQ(ReadSymbolRows(dir + "/MASTER", rows), kOk);
    return rows;
  }
  std::vector<std::string> MasterSymbols(const std::string& dir) {
    std::vector<std::string> symbols;
    for (const SymbolRow& row : MasterRows(dir).rows) symbols.push_back(row.symbol);
    return symbols;
  }
  void ReplaceText(QLineEdit& field, const QString& text) {
    field.setFocus();
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, text);
  }
};

TEST_F(SymbolCommandsTest, EditRefusesAnEmptySymbolTakesBlanksAndRenamesTheRowWithoutARefill) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB"}));
  Start();
  ClickRow(Symbols(), 1);
  onDialog = [&](QDialog& dialog) {
    auto& edit = dynamic_cast<EditSymbolDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Edit Symbol");
    EXPECT_EQ(edit.NameEdit()->text(), "BBB INC");  // stored blank-padded, offered without
    ReplaceText(*edit.SymbolEdit(), "");
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    ReplaceText(*edit.SymbolEdit(), "bolt_and_nut_company");
    EXPECT_EQ(edit.SymbolEdit()->text(), "bolt_and_nut_com");  // 16 characters at most
    ReplaceText(*edit.SymbolEdit(), "bolt");
    ReplaceText(*edit.NameEdit(), "Bolt Corp");
    QTest::keyClick(&dialog, Qt::Key_Return);
    return dialog.result();
  };
  window->Action(command::kSymbolEdit)->trigger();

  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "You must enter a symbol");
  EXPECT_EQ(MasterSymbols(dir), (std::vector<std::string>{"AAA", "bolt"}));
  EXPECT_EQ(MasterRows(dir).rows[1].name, "Bolt Corp       ");
  // The row and the loaded symbol take the texts as typed; the quotes stay loaded.
  EXPECT_EQ(Cell(Symbols(), 1, 0), "bolt");
  EXPECT_EQ(Cell(Symbols(), 1, 1), "Bolt Corp");
  EXPECT_EQ(State().quotes.loadedName, "Bolt Corp");
  EXPECT_EQ(State().quotes.RowCount(), 6);
  EXPECT_EQ(Title(), "Voltrim - " + dir + " - bolt");

  // Blanks are a symbol to the dialog, though not to the next reading of MASTER.
  onDialog = [&](QDialog& dialog) {
    dynamic_cast<EditSymbolDialog&>(dialog).SymbolEdit()->setText("   ");
    dialog.accept();
    return dialog.result();
  };
  window->Action(command::kSymbolEdit)->trigger();
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(MasterRows(dir).needsRepair);
  EXPECT_EQ(State().quotes.loadedSymbol, "   ");
}

TEST_F(SymbolCommandsTest, DeleteAsksWithNoAsDefaultAndDeletesOnlyOnYes) {
  const std::string dir = Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}));
  Start();
  ClickRow(Symbols(), 1);
  const Snapshot before = TakeSnapshot(dir);
  int opened = 0;
  onDialog = [&](QDialog& dialog) {
    auto& ask = dynamic_cast<DeleteSymbolDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Delete Symbol");
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), "Selected Symbol to Delete:");
    EXPECT_EQ(dialog.findChild<QLabel*>("symbol")->text(), "BBB");
    EXPECT_EQ(dialog.findChild<QLabel*>("question")->text(),
              "Are you sure you want to delete the Symbol shown above? ");
    switch (opened++) {
      case 0:
        QTest::keyClick(&dialog, Qt::Key_Return);  // Enter answers No
        break;
      case 1:
        dialog.close();  // so does closing the window
        break;
      default:
        QTest::mouseClick(ask.YesButton(), Qt::LeftButton);
    }
    return dialog.result();
  };
  window->Action(command::kSymbolDelete)->trigger();
  window->Action(command::kSymbolDelete)->trigger();
  EXPECT_TRUE(TakeSnapshot(dir) == before);
  EXPECT_EQ(Symbols().model()->rowCount(), 3);

  window->Action(command::kSymbolDelete)->trigger();
  EXPECT_EQ(opened, 3);
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(MasterSymbols(dir), (std::vector<std::string>{"AAA", "CCC"}));
  EXPECT_FALSE(std::filesystem::exists(dir + "/F2.DAT"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/F2.DOP"));
  EXPECT_EQ(Symbols().model()->rowCount(), 2);
  EXPECT_EQ(State().symbols.currentRow, 0);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");
}

TEST_F(SymbolCommandsTest, CopyAndMoveGoToTheChosenPortfolioOrAreRefused) {
  const std::string a = Portfolio("a", PortfolioOf({"AAA", "BBB"}));
  const std::string b = Portfolio("b", PortfolioOf({"BBB"}));
  const std::string c = Portfolio("c", PortfolioOf({"CCC"}));
  Start();
  const Snapshot sourceBefore = TakeSnapshot(a);

  // Copy AAA (the loaded symbol) to the second entry, c.
  onDialog = [&](QDialog& dialog) {
    auto& transfer = dynamic_cast<TransferSymbolDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Copy Symbol");
    EXPECT_EQ(dialog.findChild<QLabel*>("symbol")->text(), "AAA");
    QListWidget& list = *transfer.Destinations();
    EXPECT_EQ(list.count(), 2);
    EXPECT_TRUE(list.item(0)->isSelected());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualItemRect(list.item(1)).center());
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kSymbolCopy)->trigger();
  EXPECT_EQ(MasterSymbols(c), (std::vector<std::string>{"CCC", "AAA"}));
  EXPECT_TRUE(TakeSnapshot(a) == sourceBefore);

  // BBB into b, which lists it already: refused, nothing written.
  ClickRow(Symbols(), 1);
  const Snapshot bBefore = TakeSnapshot(b);
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Move Symbol");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kSymbolMove)->trigger();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.toStdString(),
            "The Symbol addition failed.\n\nReason: Symbol BBB already exists in\n" + b);
  EXPECT_TRUE(TakeSnapshot(a) == sourceBefore);
  EXPECT_TRUE(TakeSnapshot(b) == bBefore);

  // OK with nothing selected does nothing and says nothing.
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    dynamic_cast<TransferSymbolDialog&>(dialog).Destinations()->clearSelection();
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kSymbolMove)->trigger();
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(TakeSnapshot(a) == sourceBefore);

  // BBB into c: it leaves a, whose grid is read again.
  onDialog = [&](QDialog& dialog) {
    auto& list = *dynamic_cast<TransferSymbolDialog&>(dialog).Destinations();
    dialog.show();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&dialog, Qt::Key_Return);
    return dialog.result();
  };
  window->Action(command::kSymbolMove)->trigger();
  EXPECT_EQ(MasterSymbols(c), (std::vector<std::string>{"CCC", "AAA", "BBB"}));
  EXPECT_EQ(MasterSymbols(a), (std::vector<std::string>{"AAA"}));
  EXPECT_FALSE(std::filesystem::exists(a + "/F2.DAT"));
  EXPECT_EQ(Symbols().model()->rowCount(), 1);
}

}  // namespace
}  // namespace voltrim::testing
