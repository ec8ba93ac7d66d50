#include <QCheckBox>
#include <QRadioButton>

#include <map>

#include "cli/cli_run.h"
#include "datafiles/write_commands.h"
#include "export/ui/export_dialog.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

// How the window makes a write: the symbol row (of p, current: ACME, OTHER, then X256) and
// quote row (newest first; -1: none) clicked, the command, then the dialogs answered.
struct Form {
  int symbolRow;
  int quoteRow;
  int commandId;
  // Typed into the dialog's fields before OK, unless `answer` answers the dialogs instead.
  std::vector<std::pair<const char*, const char*>> typed = {};
  std::function<int(QDialog&, const std::string& drive)> answer = {};
  std::deque<QMessageBox::StandardButton> answers = {};
  std::size_t boxes = 0;
};

int Accept(QDialog&, const std::string&) { return QDialog::Accepted; }

// Add Data is accepted; the editor that follows is cancelled.
int AddWithoutEditing(QDialog& dialog, const std::string&) {
  return dialog.windowTitle() == "Add Data" ? QDialog::Accepted : QDialog::Rejected;
}

int ExportCommaNewestFirst(QDialog& dialog, const std::string& drive) {
  auto& exportDialog = dynamic_cast<ExportDialog&>(dialog);
  dialog.show();
  exportDialog.FileEdit()->setText(QString::fromStdString(drive + "/out.txt"));
  Click(exportDialog.DelimiterButton(1));
  Click(exportDialog.OrderButton(1));
  Click(exportDialog.TitleBox());
  Click(exportDialog.OmitBox(ExportColumn::Open));
  Click(exportDialog.OmitBox(ExportColumn::OpenInterest));
  QTest::keyClick(exportDialog.FileEdit(), Qt::Key_Return);
  return dialog.result();
}

const std::vector<std::pair<const char*, const char*>> kSetFields = {
    {"open", "11"}, {"high", "12"}, {"low", "10"}, {"close", "11.5"}, {"volume", "5000"}};

// The window's form of each row of WriteCommands() that has one, by the row's name.
const std::map<std::string, Form> kForms = {
    {"set", {0, 2, command::kQuoteEdit, kSetFields}},
    {"scale", {0, 4, command::kQuoteAdjust, {{"to", "010500"}, {"price", "2"}, {"volume", "3"}}}},
    {"delete first quote", {0, 4, command::kQuoteDelete, {}, {}, {QMessageBox::Yes}, 1}},
    {"insert", {0, 2, command::kQuoteAdd, {}, AddWithoutEditing}},
    {"rename", {1, -1, command::kSymbolEdit, {{"symbol", "OTHER"}, {"name", "NEW NAME"}}}},
    {"delete symbol", {1, -1, command::kSymbolDelete, {}, Accept}},
    {"copy symbol", {0, -1, command::kSymbolCopy}},  // the first destination offered is q
    {"move symbol", {0, -1, command::kSymbolMove}},
    {"set MWD quote", {2, 0, command::kQuoteEdit, kSetFields}},
    {"delete last MWD quote", {2, 0, command::kQuoteDelete, {}, {}, {QMessageBox::Yes}, 1}},
    {"rename in XMASTER",
     {2, -1, command::kSymbolEdit, {{"symbol", "X256"}, {"name", "NEW NAME"}}}},
    {"delete XMASTER symbol", {2, -1, command::kSymbolDelete, {}, Accept}},
    {"move MWD to DAT", {2, -1, command::kSymbolMove}},
    {"move DAT to XMASTER", {0, -1, command::kSymbolMove}},
    {"copy MWD to XMASTER", {2, -1, command::kSymbolCopy}},
};

// Requests of the window that no row holds, on the plain fixture: a split, and an export.
const std::vector<std::tuple<const char*, std::vector<std::string>, Form>> kOtherRequests = {
    {"split",
     {"split", "@p", "ACME", "01/06/00", "3", "2"},
     {0, 1, command::kQuoteSplit, {{"newShares", "3"}, {"oldShares", "2"}}}},
    {"export",
     {"export", "@p", "ACME", "-o", "@out.txt", "--delimiter", "comma", "--omit", "open,oi",
      "--newest-first", "--title"},
     {0, 0, command::kQuoteExport, {}, ExportCommaNewestFirst}},
};

// What a write leaves, without the undo journal (which names the change in the words of its
// maker) and the CLI's input.
Snapshot Lasting(const fs::path& root) {
  Snapshot files = TakeSnapshot(root);
  std::erase_if(files, [](const auto& entry) {
    return entry.first == "input.csv" || IsUndoFileName(fs::path(entry.first).filename().string());
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
  void ExpectWindowLikeCli(const Form& form, const fs::path& cli) {
    Start();
    const std::pair<GridView*, int> clicks[] = {{&Symbols(), form.symbolRow},
                                                {&Quotes(), form.quoteRow}};
    for (const auto& [grid, row] : clicks) {
      if (row < 0) continue;
      ClickRow(*grid, row);
      window->RefreshFromState();
    }
    boxes.clear();
    answers = form.answers;
    onDialog = [&](QDialog& dialog) {
      if (form.answer) return form.answer(dialog, drive.str());
      dialog.show();
      for (const auto& [field, keys] : form.typed) TypeInto(FieldOf(dialog, field), keys);
      Press(dialog, QDialogButtonBox::Ok);
      return dialog.result();
    };
    window->Action(form.commandId)->trigger();
    EXPECT_EQ(boxes.size(), form.boxes);
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
  if (row.noWindowForm) return;
  const auto form = kForms.find(row.name);
  ASSERT_NE(form, kForms.end()) << "no window form and not marked as having none";
  ExpectWindowLikeCli(form->second, cli.path());
}

std::string TestName(const std::string& name) {
  std::string text;
  bool upper = true;
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) {
      upper = true;
    } else {
      text += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
      upper = false;
    }
  }
  return text;
}

INSTANTIATE_TEST_SUITE_P(Commands, EveryWrite, ::testing::ValuesIn(WriteAndUndoCommands()),
                         [](const auto& info) { return TestName(info.param.name); });

TEST_F(WindowLikeCli, RequestsNoRowHolds) {
  for (const auto& [name, words, form] : kOtherRequests) {
    SCOPED_TRACE(name);
    TempDir cli;
    window.reset();
    fs::remove_all(drive.path() / "p");
    fs::remove_all(drive.path() / "q");
    for (const fs::path& root : {drive.path(), cli.path()}) MakeFixture(root, {});
    const CliResult result = RunCliIn(cli.path(), words);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const Snapshot before = Lasting(drive.path());
    ExpectWindowLikeCli(form, cli.path());
    EXPECT_NE(Lasting(drive.path()), before) << "nothing changed";
  }
}

}  // namespace
}  // namespace voltrim::testing
