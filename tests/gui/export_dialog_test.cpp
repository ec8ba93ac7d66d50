#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include "export/export_command.h"
#include "export/ui/export_dialog.h"
#include "gui_fixture.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

class ExportDialogTest : public GuiTest {
 protected:
  void SetUp() override {
    Portfolio("a", AcmePortfolio());
    out = drive.str() + "/out.txt";
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
  std::vector<std::string> Lines(const std::string& path) {
    const std::string text = ReadText(path);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << "line without CR LF: " << text.substr(at);
        break;
      }
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }
  static std::string FirstCell(const std::string& line, char delimiter) {
    return line.substr(0, line.find(delimiter));
  }
  static std::size_t Cells(const std::string& line, char delimiter) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), delimiter)) + 1;
  }

  std::string out;
};

TEST_F(ExportDialogTest, ColumnsDelimitersAndOrderAsChosen) {
  // Every value column left out: the date alone, under the title DATE.
  Export([](ExportDialog& dialog) {
    for (int c = 0; c < kExportValueColumns; ++c) Click(dialog.OmitBox(ExportColumn(c)));
    Click(dialog.TitleBox());
  });
  std::vector<std::string> lines = Lines(out);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "DATE");
  EXPECT_EQ(lines[1], "01/03/00");
  EXPECT_EQ(lines[6], "01/11/00");
  EXPECT_EQ(settings.GetInt("XportSel", "OmitOI", 0), 1);

  // The dialog comes back with those choices; tab-delimited, newest first, all columns.
  // (Comma and the other omissions: compared with voltrim-cli in window_like_cli_test.)
  answers.push_back(QMessageBox::Yes);
  Export([](ExportDialog& dialog) {
    EXPECT_TRUE(dialog.OmitBox(ExportColumn::Open)->isChecked());
    EXPECT_TRUE(dialog.TitleBox()->isChecked());
    for (int c = 0; c < kExportValueColumns; ++c) Click(dialog.OmitBox(ExportColumn(c)));
    Click(dialog.DelimiterButton(2));
    Click(dialog.OrderButton(1));
  });
  lines = Lines(out);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "DATE\tOPEN\tHIGH\tLOW\tCLOSE\tVOL\tOI");
  EXPECT_EQ(FirstCell(lines[1], '\t'), "01/11/00");
  EXPECT_EQ(FirstCell(lines[6], '\t'), "01/03/00");
  EXPECT_EQ(Cells(lines[1], '\t'), 7u);
  EXPECT_EQ(lines[1].substr(lines[1].rfind('\t') + 1), "N/A");  // ACME holds no open interest
}

TEST_F(ExportDialogTest, StoredValuesOutsideTheChoicesAreShownAsNoneAndKept) {
  const std::string longName =
      drive.str() + "/" + std::string(259 - drive.str().size() - 5, 'n') + ".txt";
  ASSERT_EQ(longName.size(), 259u);
  settings.SetString("XportSel", "Starter", longName);
  settings.SetString("XportSel", "Delim", "5");
  settings.SetString("XportSel", "Newest", "7");
  Export([&](ExportDialog& dialog) {
    EXPECT_EQ(dialog.FileEdit()->text().toStdString(), longName);
    for (int d = 0; d < 3; ++d) EXPECT_FALSE(dialog.DelimiterButton(d)->isChecked()) << d;
    for (int o = 0; o < 2; ++o) EXPECT_FALSE(dialog.OrderButton(o)->isChecked()) << o;
    Click(dialog.TitleBox());
  });
  EXPECT_EQ(settings.GetInt("XportSel", "Delim", 0), 5);
  EXPECT_EQ(settings.GetInt("XportSel", "Newest", 0), 7);
  const std::vector<std::string> lines = Lines(longName);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "DATE OPEN HIGH LOW CLOSE VOL OI");  // any other delimiter is a space
  EXPECT_EQ(FirstCell(lines[1], ' '), "01/11/00");         // and any other order newest first
}

TEST_F(ExportDialogTest, ReplaceQuestionNoKeepsFileAndSettingsYesReplaces) {
  WriteText(out, "old");
  answers.push_back(QMessageBox::No);
  Export([](ExportDialog& dialog) { Click(dialog.DelimiterButton(2)); });
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.toStdString(),
            out + "\nThis file already exists\n\nReplace existing file?");
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(ReadFileBytes(out), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(settings.GetInt("XportSel", "Delim", 0), 0);

  answers.push_back(QMessageBox::Yes);
  Export([](ExportDialog& dialog) { Click(dialog.DelimiterButton(2)); });
  EXPECT_EQ(Lines(out).size(), 6u);
  EXPECT_EQ(settings.GetInt("XportSel", "Delim", 0), 2);

  // An empty name: no question, the choices are kept, the failure is said.
  Export([](ExportDialog& dialog) { dialog.FileEdit()->clear(); });
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2].text, "file export error");
  EXPECT_EQ(settings.GetString("XportSel", "Starter", "x"), "");
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
    auto& exportDialog = dynamic_cast<ExportDialog&>(dialog);
    dialog.show();
    Click(dialog.findChild<QPushButton*>("browse"));
    EXPECT_EQ(exportDialog.FileEdit()->text().toStdString(), picked + ".txt");
    QTest::keyClick(&dialog, Qt::Key_Escape);
    return dialog.result();
  };
  window->Action(command::kQuoteExport)->trigger();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(settings.GetString("XportSel", "Starter", ""), out);
  EXPECT_FALSE(std::filesystem::exists(picked + ".txt"));
}

// CSV beside the text format: the choices CSV does not use are greyed, the file takes the
// .csv extension, the file is the CLI's --format csv, and the status bar says what went where.
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
  EXPECT_EQ(settings.GetInt("XportSel", "Format", 0), 1);
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
  const std::string folder = ExportFolder();
  EXPECT_EQ(dialog.FileEdit()->text().toStdString(), folder + "/output.txt");
  dialog.FileEdit()->setText("prices.txt");
  EXPECT_EQ(dialog.Chosen().fileName, folder + "/prices.txt");
}

}  // namespace
}  // namespace voltrim::testing
