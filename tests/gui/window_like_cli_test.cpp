#include <map>

#include "cli/cli_run.h"
#include "datafiles/write_commands.h"
#include "export/ui/export_dialog.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

// How the window makes a write (rows of p: ACME, OTHER, X256 or BARS; quotes newest first),
// the boxes it shows ("cli": what voltrim-cli said) and what the title names after it, after
// "Voltrim - " and the drive.
struct Form {
  Request request;
  std::vector<std::string> texts = {};
  const char* title = nullptr;
};

int Accept(QDialog&, const std::string&) { return QDialog::Accepted; }

// CSV greys the delimiter and the title; the order and the columns chosen reach the file.
int ExportCsvWithoutOpenInterest(QDialog& dialog, const std::string& drive) {
  auto& exportDialog = dynamic_cast<ExportDialog&>(dialog);
  dialog.show();
  Click(exportDialog.FormatButton(1));
  EXPECT_FALSE(exportDialog.DelimiterButton(1)->isEnabled());
  EXPECT_FALSE(exportDialog.TitleBox()->isEnabled());
  exportDialog.FileEdit()->setText(QString::fromStdString(drive + "/out.csv"));
  Click(exportDialog.OrderButton(1));
  Click(exportDialog.OmitBox(ExportColumn::OpenInterest));
  QTest::keyClick(exportDialog.FileEdit(), Qt::Key_Return);
  return dialog.result();
}

// The choices stored, the file named.
int ExportToOutTxt(QDialog& dialog, const std::string& drive) {
  auto& exportDialog = dynamic_cast<ExportDialog&>(dialog);
  dialog.show();
  exportDialog.FileEdit()->setText(QString::fromStdString(drive + "/out.txt"));
  QTest::keyClick(exportDialog.FileEdit(), Qt::Key_Return);
  return dialog.result();
}

const Typed kSetFields = {
    {"open", "11"}, {"high", "12"}, {"low", "10"}, {"close", "11.5"}, {"volume", "5000"}};
std::vector<std::string> Deleting(const std::string& when) {
  return {"You are about to delete the data for date\n" + when + "\nAre you sure?"};
}
const Form kImport = {{0, -1, command::kQuoteImport, {}, {}, {}, {"replace"}, {}, "input.csv"},
                      {"cli"}};
constexpr auto kYes = QMessageBox::Yes;
constexpr int kMidDay = 6;  // BARS' 11/14/13 09:05:00

// The window's form of each row of WriteCommands() that has one, by the row's name.
// clang-format off
const std::map<std::string, Form> kForms = {
    {"set one bar and its time", {{2, kMidDay, command::kQuoteEdit, {{"time", "090630"},
     {"open", "11"}, {"high", "12"}, {"low", "10"}, {"close", "11.5"}, {"volume", "500"}}}}},
    {"insert one bar", {{2, kMidDay, command::kQuoteAdd}}},  // offered halfway: 09:02:30
    {"delete one bar", {{2, kMidDay - 1, command::kQuoteDelete, {}, {kYes}},
                        Deleting("11/14/13 09:10:00")}},
    {"set", {{0, 2, command::kQuoteEdit, kSetFields}}},
    // The volume factor's field takes no minus.
    {"scale", {{0, 4, command::kQuoteAdjust, {{"to", "010500"}, {"price", "2"}, {"volume", "-3"}}}}},
    {"delete first quote", {{0, 4, command::kQuoteDelete, {}, {kYes}}, Deleting("01/03/00")}},
    {"insert", {{0, 2, command::kQuoteAdd}}},
    {"rename", {{1, -1, command::kSymbolEdit, {{"symbol", "OTHER"}, {"name", "NEW NAME"}}}}},
    {"delete symbol", {{1, -1, command::kSymbolDelete, {}, {}, {}, {}, Accept}}},
    {"copy symbol", {{0, -1, command::kSymbolCopy}}},  // the first destination offered is q
    {"move symbol", {{0, -1, command::kSymbolMove}}},
    {"import", kImport},
    {"import between", kImport},
    {"new symbol", {{0, -1, command::kSymbolNew, {{"symbol", "NEW"}, {"name", "NEW SERIES"}}}, {},
                    "p - NEW"}},
    // The chooser takes a folder made with its New Folder button.
    {"new portfolio", {{0, -1, command::kPortfolioNew, {}, {}, {}, {}, {}, "r/s"}, {},
                       "r/s - (no symbols)"}},
    {"set MWD quote", {{2, 0, command::kQuoteEdit, kSetFields}}},
    {"delete last MWD quote", {{2, 0, command::kQuoteDelete, {}, {kYes}}, Deleting("01/05/00")}},
    {"rename in XMASTER", {{2, -1, command::kSymbolEdit, {{"symbol", "X256"}, {"name", "NEW NAME"}}}}},
    {"delete XMASTER symbol", {{2, -1, command::kSymbolDelete, {}, {}, {}, {}, Accept}}},
    {"move MWD to DAT", {{2, -1, command::kSymbolMove}}},
    {"move DAT to XMASTER", {{0, -1, command::kSymbolMove}}},
    {"update", {{0, -1, command::kPortfolioUpdate, {}, {}, {}, {"create", "replace"}, {}, "input.csv"},
                {"3 series: 2 updated, 0 unchanged, 1 created; 3 quotes added."}}},
    {"copy MWD to XMASTER", {{2, -1, command::kSymbolCopy}}},
    {"delete symbols", {{1, -1, command::kSymbolDelete, {}, {}, {}, {}, Accept, {}, {2}}}},
    {"move symbols", {{0, -1, command::kSymbolMove, {}, {}, {}, {}, {}, {}, {2}}}},
    {"copy symbols", {{0, -1, command::kSymbolCopy, {}, {}, {}, {}, {}, {}, {2}}}},
};

// Requests of the window that no row holds, on the plain fixture.
const std::vector<std::tuple<const char*, std::vector<std::string>, Form>> kOtherRequests = {
    {"split", {"split", "@p", "ACME", "01/06/00", "3", "2"},
     {{0, 1, command::kQuoteSplit, {{"newShares", "3"}, {"oldShares", "2"}}}}},
    {"export csv", {"export", "@p", "ACME", "-o", "@out.csv", "--format", "csv", "--omit", "oi",
                    "--newest-first"},
     {{0, 0, command::kQuoteExport, {}, {}, {}, {}, ExportCsvWithoutOpenInterest}}},
    {"export symbols", {"export", "@p", "ACME", "OTHER", "-o", "@out.txt"},
     {{0, -1, command::kQuoteExport, {}, {}, {}, {}, ExportToOutTxt, {}, {1}}}},
    {"new intraday symbol", {"new-symbol", "@p", "NEWCO", "--name", "New Co", "--columns", "6",
                             "--intraday"},
     {{0, -1, command::kSymbolNew, {{"symbol", "NEWCO"}, {"name", "New Co"}}, {}, {},
      {"columns6", "intraday"}}}},
};
// clang-format on

// What a write leaves, without the undo journal (which names the change in the words of its
// maker) and the CLI's input.
Snapshot Lasting(const fs::path& root) {
  Snapshot files = TakeSnapshot(root);
  std::erase_if(files, [](const auto& entry) {
    return entry.first == "input.csv" || IsUndoPath(entry.first);
  });
  return files;
}

CliResult RunCliIn(const fs::path& root, std::vector<std::string> words) {
  for (std::string& word : words)
    if (word.starts_with("@")) word = (root / word.substr(1)).string();
  return RunCli(words);
}

class WindowLikeCli : public GuiTest {
 protected:
  // The form made through the window on the drive leaves what the CLI's words leave.
  void ExpectWindowLikeCli(const Form& form, const fs::path& cli, const std::string& cliSaid) {
    Start();
    Make(form.request);
    std::vector<std::string> texts = form.texts;
    if (texts == std::vector<std::string>{"cli"}) texts = {cliSaid.substr(0, cliSaid.size() - 1)};
    EXPECT_EQ(Texts(), texts);
    if (form.title) {
      EXPECT_EQ(Title(), "Voltrim - " + drive.str() + "/" + form.title);
    }
    EXPECT_EQ(Lasting(drive.path()), Lasting(cli));
  }
};

class EveryWrite : public WindowLikeCli, public ::testing::WithParamInterface<WriteCommand> {};

// Each write's core call, its CLI words on a copy, and its window form on another leave the
// same files; and not the files they started from.
TEST_P(EveryWrite, LeavesTheSameFilesThroughCoreCliAndWindow) {
  const WriteCommand& row = GetParam();
  if (row.cli.empty()) GTEST_SKIP() << "voltrim-cli has no such write";
  TempDir core, cli;
  for (const fs::path& root : {drive.path(), core.path(), cli.path()}) MakeFixture(root, row);
  const Snapshot before = Lasting(core.path());
  ASSERT_GE(row.run((core.path() / "p").string(), (core.path() / "q").string()), 0);
  const CliResult result = RunCliIn(cli.path(), row.cli);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(Lasting(cli.path()), Lasting(core.path()));
  EXPECT_NE(Lasting(cli.path()), before) << "nothing changed";
  // A step through the history: Edit > Undo or Redo on the portfolio shown, p.
  const bool step = row.cli[0] == "undo" || row.cli[0] == "redo";
  const Form history = {{0, -1, row.cli[0] == "undo" ? command::kEditUndo : command::kEditRedo}};
  const auto form = kForms.find(row.name);
  if (row.noWindowForm || (form == kForms.end() && !step)) {
    EXPECT_TRUE(row.noWindowForm) << "no window form and not marked as having none";
    return;
  }
  ExpectWindowLikeCli(step ? history : form->second, cli.path(), result.out);
}

INSTANTIATE_TEST_SUITE_P(Commands, EveryWrite, ::testing::ValuesIn(WriteAndUndoCommands()),
                         RowName);

TEST_F(WindowLikeCli, RequestsNoRowHolds) {
  for (const auto& [name, words, form] : kOtherRequests) {
    SCOPED_TRACE(name);
    TempDir cli;
    window.reset();
    for (const auto& entry : fs::directory_iterator(drive.path())) fs::remove_all(entry.path());
    settings.OpenRoot((config.path() / name).string());  // no export choices stored
    for (const fs::path& root : {drive.path(), cli.path()}) MakeFixture(root, {});
    const CliResult result = RunCliIn(cli.path(), words);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const Snapshot before = Lasting(drive.path());
    ExpectWindowLikeCli(form, cli.path(), result.out);
    EXPECT_NE(Lasting(drive.path()), before) << "nothing changed";
  }
}

}  // namespace
}  // namespace voltrim::testing
