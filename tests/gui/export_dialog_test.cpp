#include <QCheckBox>
#include <QFileDialog>
#include <QRadioButton>
#include <QStatusBar>

#include "export/export_command.h"
#include "export/ui/export_dialog.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

// Quotes > Export on ACME; the text format itself is the export writer's and the CLI's.
class ExportDialogTest : public GuiTest {
 protected:
  void SetUp() override {
    Portfolio("a", AcmePortfolio());
    settings.SetString("XportSel", "Starter", out);
    Start();
  }
  // Runs Quotes > Export with the dialog filled in by fill, then OK by Enter.
  void Export(const std::function<void(ExportDialog&)>& fill) {
    onDialog = [fill](QDialog& dialog) {
      auto& exportDialog = dynamic_cast<ExportDialog&>(dialog);
      dialog.show();
      fill(exportDialog);
      QTest::keyClick(exportDialog.FileEdit(), Qt::Key_Return);
      return dialog.result();
    };
    window->Action(command::kQuoteExport)->trigger();
  }
  std::string FirstLine(const std::string& path) {
    const std::string text = ReadText(path);
    return text.substr(0, text.find("\r\n"));
  }

  std::string out = drive.str() + "/out.txt";
};

// The choices come back as stored; values outside them are shown as none and kept.
TEST_F(ExportDialogTest, TheDialogOffersTheStoredChoices) {
  Export([](ExportDialog& dialog) {
    for (int c = 0; c < kExportValueColumns; ++c) Click(dialog.OmitBox(ExportColumn(c)));
    Click(dialog.TitleBox());
    Click(dialog.DelimiterButton(2));
  });
  EXPECT_EQ(FirstLine(out), "DATE");
  answers.push_back(QMessageBox::Yes);  // replace out.txt
  Export([](ExportDialog& dialog) {
    EXPECT_TRUE(dialog.OmitBox(ExportColumn::Open)->isChecked());
    EXPECT_TRUE(dialog.TitleBox()->isChecked());
    EXPECT_TRUE(dialog.DelimiterButton(2)->isChecked());
    for (int c = 0; c < kExportValueColumns; ++c) Click(dialog.OmitBox(ExportColumn(c)));
  });
  EXPECT_EQ(FirstLine(out), "DATE\tOPEN\tHIGH\tLOW\tCLOSE\tVOL\tOI");

  const std::string longName =
      drive.str() + "/" + std::string(259 - drive.str().size() - 5, 'n') + ".txt";
  settings.SetString("XportSel", "Starter", longName);
  settings.SetString("XportSel", "Delim", "5");
  settings.SetString("XportSel", "Newest", "7");
  Export([&](ExportDialog& dialog) {
    EXPECT_EQ(dialog.FileEdit()->text().toStdString(), longName);
    for (int d = 0; d < 3; ++d) EXPECT_FALSE(dialog.DelimiterButton(d)->isChecked()) << d;
    for (int o = 0; o < 2; ++o) EXPECT_FALSE(dialog.OrderButton(o)->isChecked()) << o;
  });
  EXPECT_EQ(settings.GetInt("XportSel", "Delim", 0), 5);
  EXPECT_EQ(settings.GetInt("XportSel", "Newest", 0), 7);
  // Any other delimiter is a space, and any other order newest first.
  EXPECT_EQ(FirstLine(longName), "DATE OPEN HIGH LOW CLOSE VOL OI");
  EXPECT_EQ(ReadText(longName).substr(33, 8), "01/11/00");
}

TEST_F(ExportDialogTest, BrowseShowsTheChosenPathAndCancelSavesNothing) {
  const std::string picked = drive.str() + "/picked";
  onDialog = [&](QDialog& dialog) {
    if (auto* files = dynamic_cast<QFileDialog*>(&dialog)) {
      EXPECT_EQ(files->defaultSuffix(), "txt");
      EXPECT_EQ(files->selectedFiles().value(0).toStdString(), out);  // starts at the stored name
      files->selectFile(QString::fromStdString(picked));
      return int(QDialog::Accepted);
    }
    dialog.show();
    Click(ButtonOf(dialog, "browse"));
    EXPECT_EQ(FieldOf(dialog, "fileName")->text().toStdString(), picked + ".txt");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    return dialog.result();
  };
  window->Action(command::kQuoteExport)->trigger();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(settings.GetString("XportSel", "Starter", ""), out);
  EXPECT_FALSE(std::filesystem::exists(picked + ".txt"));
}

// CSV greys the choices it does not use, takes the .csv extension and writes the CLI's file.
TEST_F(ExportDialogTest, CsvGreysWhatItDoesNotUseAndWritesWhatTheCliWrites) {
  TwinDrive twin(drive);
  const std::string csv = drive.str() + "/out.csv";
  Export([&](ExportDialog& dialog) {
    EXPECT_TRUE(dialog.FormatButton(0)->isChecked());
    Click(dialog.FormatButton(1));
    EXPECT_FALSE(dialog.DelimiterButton(1)->isEnabled());
    EXPECT_FALSE(dialog.TitleBox()->isEnabled());
    EXPECT_TRUE(dialog.OrderButton(1)->isEnabled());
    EXPECT_TRUE(dialog.OmitBox(ExportColumn::Open)->isEnabled());
    EXPECT_EQ(dialog.FileEdit()->text().toStdString(), csv);
    Click(dialog.OrderButton(1));
    Click(dialog.OmitBox(ExportColumn::OpenInterest));
  });
  const std::string cliOut = drive.str() + "/cli.csv";
  twin.RunCli({"export", twin.Path("a"), "ACME", "-o", cliOut, "--format", "csv", "--omit", "oi",
               "--newest-first"});
  ASSERT_FALSE(ReadFileBytes(csv).empty());
  EXPECT_EQ(ReadFileBytes(csv), ReadFileBytes(cliOut));
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), "Exported 6 quotes to " + csv);
}

// With nothing stored the file goes to the documents folder (or home), not the folder the
// program started in; a name typed without a folder goes there too.
TEST(ExportDialogDefault, TheFileGoesToTheDocumentsFolder) {
  const CommandContext context;
  ExportDialog dialog(ExportSettings{}, context);
  EXPECT_EQ(dialog.FileEdit()->text().toStdString(), ExportFolder() + "/output.txt");
  dialog.FileEdit()->setText("prices.txt");
  EXPECT_EQ(dialog.Chosen().fileName, ExportFolder() + "/prices.txt");
}

}  // namespace
}  // namespace voltrim::testing
