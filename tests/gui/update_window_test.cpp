// Portfolio > Update from File: the preview, the write, and a file dropped on the symbols
// grid, against voltrim-cli update on a twin of the drive.
#include <QCheckBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QRadioButton>
#include <QTableWidget>
#include <QUrl>

#include <fstream>

#include "import/ui/update_preview_dialog.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

// AAA and BBB hold 01/03/00 to 01/07/00 (and 01/10/00 for BBB); the file brings 01/10/00 to
// AAA, repeats BBB's 01/10/00 with another close, and names a symbol the portfolio lacks.
constexpr const char* kDayFile =
    "symbol,date,time,open,high,low,close,volume,openint\n"
    "AAA,2000-01-10,,11,12,10,11.5,1900,\n"
    "BBB,2000-01-10,,99,99,99,99,99,\n"
    "NEWSYM,2000-01-10,,1,2,0.5,1.5,100,\n";

class UpdateWindowTest : public GuiTest {
 protected:
  std::string DayFile() {
    const std::string path = files.str() + "/day.csv";
    std::ofstream(path, std::ios::binary) << kDayFile;
    return path;
  }
  // Checks the preview, ticks Create and Replace, and presses OK.
  int AnswerPreview(QDialog& dialog) {
    auto& preview = dynamic_cast<UpdatePreviewDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Update Portfolio");
    QTableWidget* rows = preview.Rows();
    EXPECT_EQ(rows->rowCount(), 3);
    EXPECT_EQ(rows->item(0, 2)->text(), "1");  // AAA: one new
    EXPECT_EQ(rows->item(1, 4)->text(), "1");  // BBB: one with other values
    EXPECT_EQ(rows->item(2, 1)->text(), "unknown: created in MASTER as F3.DAT");
    EXPECT_TRUE(preview.CreateBox()->isEnabled());
    Click(preview.CreateBox());
    Click(preview.ReplaceButton());
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  }
  TempDir files;  // the source, off the drive the twins compare
};

TEST_F(UpdateWindowTest, UpdateThroughThePreviewWritesWhatTheCliWrites) {
  Portfolio("p", PortfolioOf({"AAA", "BBB"}, 5));
  const std::string file = DayFile();
  TwinDrive twin(drive);
  Start();
  ClickRow(Symbols(), 0);
  onDialog = [&](QDialog& dialog) {
    if (auto* chooser = dynamic_cast<QFileDialog*>(&dialog)) {
      chooser->selectFile(QString::fromStdString(file));
      return int{QDialog::Accepted};
    }
    return AnswerPreview(dialog);
  };
  window->Action(command::kPortfolioUpdate)->trigger();
  twin.RunCli({"update", twin.Path("p"), file, "--create", "--replace"});
  twin.ExpectSameFiles();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "3 series: 2 updated, 0 unchanged, 1 created; 2 quotes added, 1 replaced.");
  EXPECT_EQ(State().symbols.RowCount(), 3);
  EXPECT_EQ(Cell(Quotes(), 0, 0), "01/10/00");
}

TEST_F(UpdateWindowTest, AFileDroppedOnTheSymbolsGridOpensThePreview) {
  Portfolio("p", PortfolioOf({"AAA", "BBB"}, 5));
  const std::string file = DayFile();
  Start();
  int previews = 0;
  onDialog = [&](QDialog& dialog) {
    ++previews;
    return AnswerPreview(dialog);
  };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QWidget* target = Symbols().viewport();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  ASSERT_TRUE(WaitUntil([&] { return previews == 1; }));
  EXPECT_TRUE(WaitUntil([&] { return State().symbols.RowCount() == 3; }));
}

}  // namespace
}  // namespace voltrim::testing
