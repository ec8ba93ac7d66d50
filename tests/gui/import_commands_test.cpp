#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QTableWidget>
#include <QUrl>

#include <filesystem>
#include <fstream>

#include "import/ui/import_preview_dialog.h"
#include "symbols/ui/new_symbol_dialog.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

// AAA holds 01/03/00 to 01/07/00; the file changes 01/07/00 and brings 01/10/00 and 01/11/00.
constexpr const char* kQuoteFile =
    "Date,Open,High,Low,Close,Adj Close,Volume\n"
    "2000-01-11,12,13,11,12.5,12.4,2000\n"
    "2000-01-10,11,12,10,11.5,11.4,1900\n"
    "2000-01-07,10,11,9,99.5,99.4,1800\n";

class ImportCommandsTest : public GuiTest {
 protected:
  std::string QuoteFile() {
    const std::string path = files.str() + "/quotes.csv";
    std::ofstream(path, std::ios::binary) << kQuoteFile;
    return path;
  }
  void ClickOk(QDialog& dialog) {
    QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                      Qt::LeftButton);
  }
  // Answers the preview: checks what it shows, picks Replace and presses OK.
  int AnswerPreview(QDialog& dialog) {
    auto& preview = dynamic_cast<ImportPreviewDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Import Quotes");
    EXPECT_EQ(preview.Counts()->text().section('\n', 0, 0),
              "New dates: 2    Unchanged: 0    With other values: 1");
    EXPECT_TRUE(preview.Columns()->text().contains("Adj Close"));
    EXPECT_EQ(preview.Rows()->rowCount(), 3);
    EXPECT_EQ(preview.Rows()->item(0, 0)->text(), "01/11/00");
    EXPECT_TRUE(preview.KeepButton()->isChecked());  // the stored quotes stay unless told
    QTest::mouseClick(preview.ReplaceButton(), Qt::LeftButton);
    ClickOk(dialog);
    return dialog.result();
  }

  TempDir files;  // the quote file, off the drive the snapshots compare
};

TEST_F(ImportCommandsTest, ImportThroughThePreviewWritesWhatTheCliWrites) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA"}, 5));
  const std::string file = QuoteFile();
  TwinDrive twin(drive);
  Start();
  ClickRow(Symbols(), 0);
  ASSERT_EQ(State().quotes.RowCount(), 5);
  onDialog = [&](QDialog& dialog) {
    if (auto* chooser = dynamic_cast<QFileDialog*>(&dialog)) {
      chooser->selectFile(QString::fromStdString(file));
      return int{QDialog::Accepted};
    }
    return AnswerPreview(dialog);
  };
  window->Action(command::kQuoteImport)->trigger();

  const CliResult cli = RunCli({"import", twin.Path("p"), "AAA", file, "--replace"});
  ASSERT_EQ(cli.exitCode, 0) << cli.err;
  twin.ExpectSameFiles();
  // The summary the window shows is the one the CLI prints; the grid holds the new quotes.
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.toStdString() + "\n", cli.out);
  EXPECT_EQ(State().quotes.RowCount(), 7);
  EXPECT_EQ(Cell(Quotes(), 0, 0), "01/11/00");
}

TEST_F(ImportCommandsTest, AFileDroppedOnTheQuotesGridOpensThePreview) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  const std::string file = QuoteFile();
  Start();
  ClickRow(Symbols(), 0);
  int previews = 0;
  onDialog = [&](QDialog& dialog) {
    ++previews;
    return AnswerPreview(dialog);
  };
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QWidget* target = Quotes().viewport();
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  ASSERT_TRUE(WaitUntil([&] { return previews == 1; }));
  EXPECT_TRUE(WaitUntil([&] { return State().quotes.RowCount() == 7; }));
}

TEST_F(ImportCommandsTest, NewPortfolioIsListedAndSelected) {
  Portfolio("p", PortfolioOf({"AAA"}, 5));
  const std::filesystem::path fresh = drive.path() / "fresh";
  std::filesystem::create_directory(fresh);
  TwinDrive twin(drive);
  Start();
  onDialog = [&](QDialog& dialog) {
    auto& chooser = dynamic_cast<QFileDialog&>(dialog);
    EXPECT_EQ(chooser.fileMode(), QFileDialog::Directory);
    chooser.selectFile(QString::fromStdString(fresh.string()));
    return int{QDialog::Accepted};
  };
  window->Action(command::kPortfolioNew)->trigger();

  EXPECT_TRUE(boxes.empty());
  twin.RunCli({"new-portfolio", twin.Path("fresh")});
  twin.ExpectSameFiles();
  const std::vector<std::string>& list = State().portfolios;
  ASSERT_EQ(list.size(), 2u);
  ASSERT_GE(State().portfolioSelection, 0);
  EXPECT_EQ(list[static_cast<std::size_t>(State().portfolioSelection)], fresh.string());
  EXPECT_EQ(State().portfolioDir, fresh.string());
  // An empty portfolio takes a new symbol but has no series to import into.
  EXPECT_TRUE(window->Action(command::kSymbolNew)->isEnabled());
  EXPECT_FALSE(window->Action(command::kQuoteImport)->isEnabled());
}

TEST_F(ImportCommandsTest, NewSymbolFollowsTheEditRulesAndWritesWhatTheCliWrites) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA"}, 5));
  TwinDrive twin(drive);
  Start();
  int round = 0;
  onDialog = [&](QDialog& dialog) {
    auto& entry = dynamic_cast<NewSymbolDialog&>(dialog);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "New Symbol");
    if (round++ == 0) {
      // An empty symbol keeps the dialog open; an existing one is refused after OK.
      ClickOk(dialog);
      EXPECT_TRUE(dialog.isVisible());
      QTest::keyClicks(entry.SymbolEdit(), "aaa");
      ClickOk(dialog);
      return dialog.result();
    }
    QTest::keyClicks(entry.SymbolEdit(), "NEWCO");
    QTest::keyClicks(entry.NameEdit(), "New Company");
    QTest::mouseClick(dialog.findChild<QRadioButton*>("columns6"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QCheckBox*>("intraday"), Qt::LeftButton, Qt::NoModifier,
                      QPoint(4, 4));
    ClickOk(dialog);
    return dialog.result();
  };
  window->Action(command::kSymbolNew)->trigger();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "You must enter a symbol");
  EXPECT_EQ(boxes[1].text.toStdString(),
            "The Symbol addition failed.\n\nReason: Symbol aaa already exists in\n" + dir);
  window->Action(command::kSymbolNew)->trigger();
  EXPECT_EQ(boxes.size(), 2u);

  twin.RunCli({"new-symbol", twin.Path("p"), "NEWCO", "--name", "New Company", "--columns", "6",
               "--intraday"});
  twin.ExpectSameFiles();
  // The new series is the current row, loaded and empty, and can take an import.
  EXPECT_EQ(State().quotes.loadedSymbol, "NEWCO");
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_TRUE(window->Action(command::kQuoteImport)->isEnabled());
}

}  // namespace
}  // namespace voltrim::testing
