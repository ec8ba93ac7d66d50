#include "export/ui/export_dialog.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

// p holds BARS (three days of four 5-minute bars, newest first), ACME, and BIG, whose open is
// too long for its field.
struct QuoteDialogsTest : GuiTest {
  void Plant() {
    PortfolioSpec plan = BarPortfolio();
    SeriesSpec acme = AcmeSeries();
    acme.fileNumber = 2;
    plan.entries.push_back(SeriesEntry(acme));
    plan.entries.push_back(
        SeriesEntry(MakeDailySeries(3, "BIG", "BIG", {{Day(2000, 1, 3), 1e15f, 2, 1, 2, 5}})));
    Write(drive.path() / "p", plan);
  }
};

constexpr int kMidDay = 6;  // 11/14/13 09:05:00 in the bars

// A request a dialog or its command refuses: the boxes, what the dialogs did, nothing written.
struct Refusal {
  const char* name;
  Request request;
  std::vector<std::string> texts;  // "@" stands for the drive's folder
  const char* made = "kept";       // what OK did to the dialog, as Make says it
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

// clang-format off
const Refusal kRefusals[] = {
    {"EditTooLong", {2, 0, command::kQuoteEdit, {}, {}, {{"open", "999999986991104.0000"}}},
     {"Please enter no more than 16 characters."}, "kept open"},
    // No to the question returns to the dialog with what was typed.
    {"EditContradictory", {1, 0, command::kQuoteEdit, {{"high", "5"}}, {QMessageBox::No}},
     {"High is below Low.\n\nSave anyway?"}},
    {"SplitZero", {1, 2, command::kQuoteSplit, {{"newShares", "0"}}, {},
     {{"date", "01/06/00"}, {"oldShares", "1"}}}, {"Invalid Data Entered"}},
    // The whole series is offered.
    {"AdjustZero", {1, -1, command::kQuoteAdjust, {{"price", "0"}}, {},
     {{"from", "01/03/00"}, {"to", "01/11/00"}}}, {"Invalid Data Entered"}},
    // Tue 01/04/00 has Monday before it already.
    {"AddExisting", {1, 3, command::kQuoteAdd}, {"Date 01/03/00 already exists."},
     "no dialog"},
    {"DeleteNo", {1, 1, command::kQuoteDelete, {}, {QMessageBox::No}},
     {"You are about to delete the data for date\n01/08/00\nAre you sure?"}},
    {"SymbolEditEmpty", {1, -1, command::kSymbolEdit, {{"symbol", ""}}, {},
     {{"name", "ACME CORP"}}}, {"You must enter a symbol"}, "kept symbol"},
    {"NewSymbolEmpty", {-1, -1, command::kSymbolNew},
     {"You must enter a symbol"}, "kept symbol"},
    {"NewSymbolExisting", {-1, -1, command::kSymbolNew, {{"symbol", "acme"}}},
     {"The Symbol addition failed.\n\nReason: Symbol acme already exists in\n@p"}, "closed"},
    {"ExportNoName", {1, -1, command::kQuoteExport, {{"fileName", ""}}},
     {"file export error"}, "closed"},
    // Past the bar after it the file would be out of order.
    {"BarTimeOutOfOrder", {-1, kMidDay, command::kQuoteEdit, {{"time", "091200"}}, {},
     {{"time", "09:05:00"}}},
     {"Choose a time between 09:00:00 and 09:10:00, the times of the bars before and after "
      "this one."}},
    // Offered halfway between the bar and the one before.
    {"BarAddExisting", {-1, kMidDay, command::kQuoteAdd, {{"time", "090000"}}, {},
     {{"date", "11/14/13"}, {"time", "09:02:30"}}}, {"Date 11/14/13 09:00:00 already exists."}},
};
// clang-format on

class DialogRefusalTest : public QuoteDialogsTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(DialogRefusalTest, SaysWhyKeepsWhatWasTypedAndWritesNothing) {
  const Refusal& c = GetParam();
  Plant();
  Start();
  const Snapshot before = TakeSnapshot(drive.path());
  EXPECT_EQ(Make(c.request), c.made);
  std::vector<std::string> texts = c.texts;
  for (std::string& text : texts)
    if (const auto at = text.find('@'); at != std::string::npos)
      text.replace(at, 1, drive.str() + "/");
  EXPECT_EQ(Texts(), texts);
  EXPECT_EQ(TakeSnapshot(drive.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Requests, DialogRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// Which of previous, next, first and last are enabled, as "PNFL" with "-" for a greyed one.
std::string NavigationOf(QDialog& dialog) {
  std::string shown;
  for (const char* name : {"previous", "next", "first", "last"})
    shown += ChildOf<QAbstractButton>(dialog, name)->isEnabled()
                 ? static_cast<char>(std::toupper(*name))
                 : '-';
  return shown;
}

// The time column is for bars only; the editor steps bar by bar; Add offers the time halfway
// to the bar before, then opens the editor on the new bar (the writes: the window-against-CLI
// table). On the daily ACME, Yes writes only the fields changed; a step drops what was typed;
// Cancel writes nothing.
TEST_F(QuoteDialogsTest, TheEditorStepsBarByBarOrDayByDayAndWritesOnlyTheFieldsChanged) {
  Plant();
  Start();
  const auto titles = [this] {
    QStringList titles;
    for (int c = 0; c < Quotes().model()->columnCount(); ++c)
      titles << Quotes().model()->headerData(c, Qt::Horizontal).toString();
    return titles.join(' ');
  };
  EXPECT_EQ(titles(), "Date Time Open High Low Close Volume Open Interest");
  ClickRow(Quotes(), kMidDay);
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    Click(ChildOf<QAbstractButton>(dialog, "previous"));
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:00:00");  // the bar before, same day
    Click(ChildOf<QAbstractButton>(dialog, "next"));
    EXPECT_EQ(LabelOf(dialog, "date"), "11/14/13");
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:05:00");
    return int{QDialog::Rejected};
  };
  Trigger(command::kQuoteEdit);
  std::vector<QString> seen;
  onDialog = [&](QDialog& dialog) {
    seen.push_back(dialog.windowTitle() + " " + FieldOf(dialog, "time")->text());
    if (seen.size() > 1) return int{QDialog::Rejected};
    EXPECT_TRUE(LabelOf(dialog, "explanation").startsWith("The new quote will be added"));
    dialog.show();
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteAdd);
  EXPECT_EQ(seen, (std::vector<QString>{"Add Data 09:02:30", "Edit Selected Quote 09:02:30"}));
  EXPECT_EQ(State().quotes.currentRow, kMidDay + 1);
  ClickRow(Symbols(), 1);  // ACME: daily, as it always looked
  EXPECT_EQ(titles(), "Date Open High Low Close Volume Open Interest");

  onDialog = [&](QDialog& dialog) {
    dialog.show();
    Click(ChildOf<QAbstractButton>(dialog, "first"));
    EXPECT_EQ(FieldOf(dialog, "open")->text(), "12.3457");
    TypeInto(FieldOf(dialog, "close"), "20.5");
    QTest::keyClick(FieldOf(dialog, "close"), Qt::Key_Return);
    return dialog.result();
  };
  answers.push_back(QMessageBox::Yes);
  Trigger(command::kQuoteEdit);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Close is above High.\n\nSave anyway?"});
  const QuoteTable& quotes = State().quotes;
  EXPECT_EQ(quotes.currentRow, 0);
  EXPECT_FLOAT_EQ(quotes.rows[5].close, 20.5f);
  // Untouched fields keep their stored values, not the grid's rounding.
  EXPECT_EQ(quotes.rows[5].open, 12.34567f);
  EXPECT_EQ(settings.GetString("Edit", "Date", ""), "01/03/00");

  const Snapshot before = TakeSnapshot(drive.path());
  onDialog = [&](QDialog& dialog) {
    EXPECT_EQ(NavigationOf(dialog), "P-F-");  // the newest
    TypeInto(FieldOf(dialog, "close"), "99");
    Click(ChildOf<QAbstractButton>(dialog, "previous"));
    EXPECT_EQ(LabelOf(dialog, "date"), "01/08/00");
    EXPECT_EQ(FieldOf(dialog, "close")->text(), "15.5000");  // loaded afresh
    EXPECT_EQ(FieldOf(dialog, "openInterest")->text(), "N/A");
    Click(ChildOf<QAbstractButton>(dialog, "first"));
    EXPECT_EQ(NavigationOf(dialog), "-N-L");
    return 0;
  };
  Trigger(command::kQuoteEdit);
  EXPECT_EQ(TakeSnapshot(drive.path()), before);
  EXPECT_EQ(quotes.currentRow, 5);       // where the user left it
  EXPECT_EQ(Quotes().SelectedRow(), 0);  // the grid itself untouched
  EXPECT_EQ(window->QuotePane()->text(), "Quote 1 of 6");
}

// Quotes > Export on ACME: the choices come back as stored (the text
// format itself is the export writer's and the CLI's; CSV: the window-against-CLI table).
TEST_F(QuoteDialogsTest, ExportOffersTheStoredChoices) {
  Write(drive.path() / "a", AcmePortfolio());
  const std::string out = drive.str() + "/out.txt";
  settings.SetString("XportSel", "Starter", out);
  Start();
  // Runs Quotes > Export with the dialog filled in by fill, then OK by Enter.
  const auto run = [this](const std::function<void(ExportDialog&)>& fill) {
    onDialog = [fill](QDialog& dialog) {
      auto& exportDialog = dynamic_cast<ExportDialog&>(dialog);
      dialog.show();
      fill(exportDialog);
      QTest::keyClick(exportDialog.FileEdit(), Qt::Key_Return);
      return dialog.result();
    };
    window->Action(command::kQuoteExport)->trigger();
  };
  run([](ExportDialog& dialog) {
    for (int c = 0; c < kExportValueColumns; ++c) Click(dialog.OmitBox(ExportColumn(c)));
    Click(dialog.TitleBox());
    Click(dialog.DelimiterButton(2));
  });
  EXPECT_EQ(ReadText(out).substr(0, 6), "DATE\r\n");
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), "Exported 6 quotes to " + out);
  answers.push_back(QMessageBox::Yes);  // replace out.txt
  run([](ExportDialog& dialog) {        // the title and tabs as stored; each column back
    for (int c = 0; c < kExportValueColumns; ++c) Click(dialog.OmitBox(ExportColumn(c)));
  });
  EXPECT_EQ(ReadText(out).substr(0, 33), "DATE\tOPEN\tHIGH\tLOW\tCLOSE\tVOL\tOI\r\n");
}

}  // namespace
}  // namespace voltrim::testing
