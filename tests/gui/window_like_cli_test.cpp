#include <QCheckBox>
#include <QRadioButton>

#include <optional>

#include "datafiles/companion_fixtures.h"
#include "export/ui/export_dialog.h"
#include "gui_fixture.h"
#include "symbols/ui/edit_symbol_dialog.h"
#include "twin_drive.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// One request made through its window and through voltrim-cli on a copy of the drive.
struct LikeCli {
  const char* name;
  int quoteRow;  // current in p {ACME}; -1: a {AAA, BBB, CCC} and b {DDD}, BBB current
  int commandId;
  // Typed into the dialog's fields before OK, unless `answer` answers the dialogs instead.
  std::vector<std::pair<const char*, const char*>> typed;
  // The CLI's arguments; a word starting with "@" is a path in the CLI's copy of the drive.
  std::vector<std::string> cli;
  // A file the request creates, changes or removes: the drives must not agree by both
  // being left alone.
  std::string changed;
  std::function<int(QDialog&, const std::string& drive)> answer = {};
  std::deque<QMessageBox::StandardButton> answers = {};
  std::size_t boxes = 0;
  // p lists OTHER in MASTER and ACME in XMASTER (F256.MWD); ACME's row is current.
  bool mwd = false;
};

void PrintTo(const LikeCli& c, std::ostream* os) { *os << c.name; }

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

// clang-format off
const LikeCli kCases[] = {
    {"QuoteEdit", 3, command::kQuoteEdit, {{"high", "17.25"}, {"volume", "4500"}},
     {"edit", "@p", "ACME", "01/04/00", "--high", "17.25", "--volume", "4500"}, "p/F1.BAK"},
    {"QuoteSplit", 2, command::kQuoteSplit, {{"newShares", "3"}, {"oldShares", "2"}},
     {"split", "@p", "ACME", "01/06/00", "3", "2"}, "p/F1.BAK"},
    {"QuoteAdjust", 0, command::kQuoteAdjust, {{"to", "010800"}, {"price", "0.5"}, {"volume", "10"}},
     {"adjust", "@p", "ACME", "01/03/00", "01/08/00", "--price", "0.5", "--volume", "10"}, "p/F1.BAK"},
    {"QuoteAdd", 2, command::kQuoteAdd, {}, {"add-quote", "@p", "ACME", "01/06/00"}, "p/F1.BAK",
     AddWithoutEditing},
    // The newest quote: MASTER's last date moves too.
    {"QuoteDeleteNewest", 0, command::kQuoteDelete, {}, {"delete-quote", "@p", "ACME", "01/11/00"},
     "p/F1.BAK", {}, {QMessageBox::Yes}, 1},
    {"QuoteExport", 0, command::kQuoteExport, {},
     {"export", "@p", "ACME", "-o", "@out.txt", "--delimiter", "comma", "--omit", "open,oi",
      "--newest-first", "--title"}, "out.txt", ExportCommaNewestFirst},
    {"SymbolEdit", -1, command::kSymbolEdit, {{"symbol", "BOLT"}, {"name", "Bolt Corp"}},
     {"rename-symbol", "@a", "BBB", "BOLT", "Bolt Corp"}, "a/MASTER"},
    {"SymbolDelete", -1, command::kSymbolDelete, {}, {"delete-symbol", "@a", "BBB"}, "a/F2.DAT",
     [](QDialog&, const std::string&) { return int{QDialog::Accepted}; }},
    // The first destination offered is b.
    {"SymbolMove", -1, command::kSymbolMove, {}, {"move-symbol", "@a", "BBB", "@b"}, "b/F2.DAT"},
    {"SymbolCopy", -1, command::kSymbolCopy, {}, {"copy-symbol", "@a", "BBB", "@b"}, "b/F2.DAT"},
    // The same on a series XMASTER lists.
    {"MwdQuoteEdit", 3, command::kQuoteEdit, {{"high", "17.25"}, {"volume", "4500"}},
     {"edit", "@p", "ACME", "01/04/00", "--high", "17.25", "--volume", "4500"}, "p/F256.BAK",
     {}, {}, 0, true},
    {"MwdQuoteSplit", 2, command::kQuoteSplit, {{"newShares", "3"}, {"oldShares", "2"}},
     {"split", "@p", "ACME", "01/06/00", "3", "2"}, "p/F256.MWD", {}, {}, 0, true},
    {"MwdQuoteAdjust", 0, command::kQuoteAdjust, {{"to", "010800"}, {"price", "0.5"}, {"volume", "10"}},
     {"adjust", "@p", "ACME", "01/03/00", "01/08/00", "--price", "0.5", "--volume", "10"},
     "p/F256.MWD", {}, {}, 0, true},
    {"MwdQuoteAdd", 2, command::kQuoteAdd, {}, {"add-quote", "@p", "ACME", "01/06/00"},
     "p/F256.MWD", AddWithoutEditing, {}, 0, true},
    // The newest quote: XMASTER's last date moves too.
    {"MwdQuoteDeleteNewest", 0, command::kQuoteDelete, {}, {"delete-quote", "@p", "ACME", "01/11/00"},
     "p/XMASTER", {}, {QMessageBox::Yes}, 1, true},
    {"MwdSymbolEdit", 0, command::kSymbolEdit, {{"symbol", "BOLT"}, {"name", "Bolt Corp"}},
     {"rename-symbol", "@p", "ACME", "BOLT", "Bolt Corp"}, "p/XMASTER", {}, {}, 0, true},
    {"MwdSymbolDelete", 0, command::kSymbolDelete, {}, {"delete-symbol", "@p", "ACME"},
     "p/F256.MWD", [](QDialog&, const std::string&) { return int{QDialog::Accepted}; }, {}, 0,
     true},
};
// clang-format on

class WindowLikeCliTest : public GuiTest, public ::testing::WithParamInterface<LikeCli> {};

TEST_P(WindowLikeCliTest, LeavesTheSameFiles) {
  const LikeCli& c = GetParam();
  if (c.mwd) {
    const std::string p = Portfolio("p", PortfolioOf({"OTHER"}, 5));
    SeriesSpec acme = AcmeSeries();
    acme.fileNumber = 256;
    WriteFileBytes(fs::path(p) / "F256.MWD", BuildDatBytes(acme));
    WriteFileBytes(fs::path(p) / "XMASTER", BuildXmasterBytes({{256, "ACME", "ACME CORP"}}));
  } else if (c.quoteRow < 0) {
    Portfolio("a", PortfolioOf({"AAA", "BBB", "CCC"}, 5));
    Portfolio("b", PortfolioOf({"DDD"}, 5));
  } else {
    Portfolio("p", AcmePortfolio());
  }
  Start();
  if (c.mwd) {
    ClickRow(Symbols(), 1);
    window->RefreshFromState();
    ASSERT_EQ(State().quotes.RowCount(), 6);
  }
  ClickRow(c.quoteRow < 0 ? Symbols() : Quotes(), c.quoteRow < 0 ? 1 : c.quoteRow);
  window->RefreshFromState();
  const TwinDrive twin(drive);
  const Snapshot before = TakeSnapshot(drive.path());

  answers = c.answers;
  onDialog = [&](QDialog& dialog) {
    if (c.answer) return c.answer(dialog, drive.str());
    dialog.show();
    for (const auto& [field, keys] : c.typed) TypeInto(FieldOf(dialog, field), keys);
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(c.commandId)->trigger();
  EXPECT_EQ(boxes.size(), c.boxes);
  std::vector<std::string> arguments = c.cli;
  for (std::string& word : arguments) {
    if (word.starts_with("@")) word = twin.Path(word.substr(1));
  }
  twin.RunCli(arguments);
  twin.ExpectSameFiles();
  const auto changed = [&](const Snapshot& snapshot) {
    const auto found = snapshot.find(c.changed);
    return found == snapshot.end() ? std::optional<Bytes>() : found->second;
  };
  EXPECT_NE(changed(before), changed(TakeSnapshot(drive.path()))) << c.changed << " is as it was";
}

INSTANTIATE_TEST_SUITE_P(Commands, WindowLikeCliTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace voltrim::testing
