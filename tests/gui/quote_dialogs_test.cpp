#include "cli/cli_run.h"
#include "datafiles/intraday_fixture.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The data a test starts from. Bars: p holds BARS (three days of four 5-minute bars) and
// the daily ACME; rows newest first, 0-3 are 11/15/13 09:15 .. 09:00, 4-7 11/14/13.
enum class Data { kAcme, kTwoPortfolios, kHuge, kBars };

struct QuoteDialogsTest : GuiTest {
  void Plant(Data data) {
    switch (data) {
      case Data::kAcme:
        Portfolio("p", AcmePortfolio());
        break;
      case Data::kTwoPortfolios:
        Portfolio("a", PortfolioOf({"AAA", "BBB"}));
        Portfolio("b", PortfolioOf({"BBB"}));
        break;
      case Data::kHuge:
        Portfolio("p", testing::Portfolio({SeriesEntry(MakeDailySeries(
                           1, "BIG", "BIG", {{Day(2000, 1, 3), 1e15f, 2, 1, 2, 5}}))}));
        break;
      case Data::kBars: {
        PortfolioSpec plan = BarPortfolio();
        SeriesSpec acme = AcmeSeries();
        acme.fileNumber = 2;
        plan.entries.push_back(SeriesEntry(acme));
        Portfolio("p", plan);
      }
    }
  }
};

constexpr int kMidDay = 6;  // 11/14/13 09:05:00 in the bars

enum class Ends { kStaysOpen, kCloses, kNoDialog };

// A request a dialog or its command refuses: the box, and nothing written.
struct Refusal {
  const char* name;
  Data data;
  int symbolRow, quoteRow;  // clicked first unless -1
  int commandId;
  Typed shown;                     // as the dialog opens
  Typed typed;                     // then typed before OK
  std::vector<std::string> texts;  // "@" stands for the drive's folder
  Ends ends = Ends::kStaysOpen;
  std::deque<QMessageBox::StandardButton> answers = {};
  const char* selected = nullptr;  // the field whose text is selected after the refusal
};

void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

// clang-format off
const Refusal kRefusals[] = {
    {"EditTooLong", Data::kHuge, -1, 0, command::kQuoteEdit, {{"open", "999999986991104.0000"}},
     {}, {"Please enter no more than 16 characters."}, Ends::kStaysOpen, {}, "open"},
    // No to the question returns to the dialog with what was typed.
    {"EditContradictory", Data::kAcme, -1, 0, command::kQuoteEdit, {}, {{"high", "5"}},
     {"High is below Low.\n\nSave anyway?"}, Ends::kStaysOpen, {QMessageBox::No}},
    {"SplitZero", Data::kAcme, -1, 2, command::kQuoteSplit,
     {{"date", "01/06/00"}, {"oldShares", "1"}}, {{"newShares", "0"}}, {"Invalid Data Entered"}},
    // The whole series is offered.
    {"AdjustZero", Data::kAcme, -1, -1, command::kQuoteAdjust,
     {{"from", "01/03/00"}, {"to", "01/11/00"}}, {{"price", "0"}}, {"Invalid Data Entered"}},
    // Tue 01/04/00 has Monday before it already.
    {"AddExisting", Data::kAcme, -1, 3, command::kQuoteAdd, {}, {},
     {"Date 01/03/00 already exists."}, Ends::kNoDialog},
    {"DeleteNo", Data::kAcme, -1, 1, command::kQuoteDelete, {}, {},
     {"You are about to delete the data for date\n01/08/00\nAre you sure?"}, Ends::kStaysOpen,
     {QMessageBox::No}},
    {"SymbolEditEmpty", Data::kTwoPortfolios, 1, -1, command::kSymbolEdit,
     {{"name", "BBB INC"}}, {{"symbol", ""}}, {"You must enter a symbol"}},
    {"NewSymbolEmpty", Data::kTwoPortfolios, -1, -1, command::kSymbolNew, {}, {},
     {"You must enter a symbol"}},
    {"NewSymbolExisting", Data::kTwoPortfolios, -1, -1, command::kSymbolNew, {},
     {{"symbol", "aaa"}},
     {"The Symbol addition failed.\n\nReason: Symbol aaa already exists in\n@a"}, Ends::kCloses},
    // The first destination offered is b, which lists BBB already.
    {"MoveExisting", Data::kTwoPortfolios, 1, -1, command::kSymbolMove, {}, {},
     {"The Symbol addition failed.\n\nReason: Symbol BBB already exists in\n@b"}, Ends::kCloses},
    {"ExportNoName", Data::kAcme, -1, -1, command::kQuoteExport, {}, {{"fileName", ""}},
     {"file export error"}, Ends::kCloses},
    // Past the bar after it the file would be out of order.
    {"BarTimeOutOfOrder", Data::kBars, -1, kMidDay, command::kQuoteEdit,
     {{"time", "09:05:00"}}, {{"time", "091200"}},
     {"Choose a time between 09:00:00 and 09:10:00, the times of the bars before and after "
      "this one."}},
    // Offered halfway between the bar and the one before.
    {"BarAddExisting", Data::kBars, -1, kMidDay, command::kQuoteAdd,
     {{"date", "11/14/13"}, {"time", "09:02:30"}}, {{"time", "090000"}},
     {"Date 11/14/13 09:00:00 already exists."}},
};
// clang-format on

class DialogRefusalTest : public QuoteDialogsTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(DialogRefusalTest, SaysWhyKeepsWhatWasTypedAndWritesNothing) {
  const Refusal& c = GetParam();
  Plant(c.data);
  Start();
  if (c.symbolRow >= 0) ClickRow(Symbols(), c.symbolRow);
  if (c.quoteRow >= 0) ClickRow(Quotes(), c.quoteRow);
  const Snapshot before = TakeSnapshot(drive.path());
  answers = c.answers;
  int dialogs = 0;
  onDialog = [&](QDialog& dialog) {
    ++dialogs;
    dialog.show();
    for (const auto& [field, text] : c.shown) EXPECT_EQ(FieldOf(dialog, field)->text(), text);
    std::vector<QString> typed;
    for (const auto& [field, keys] : c.typed) {
      TypeInto(FieldOf(dialog, field), keys);
      typed.push_back(FieldOf(dialog, field)->text());
    }
    Press(dialog, QDialogButtonBox::Ok);
    if (c.ends == Ends::kCloses) return dialog.result();
    EXPECT_TRUE(dialog.isVisible());
    if (QLineEdit* selected = c.selected ? FieldOf(dialog, c.selected) : nullptr) {
      EXPECT_EQ(selected->selectedText(), selected->text());
    }
    for (std::size_t i = 0; i < typed.size(); ++i) {
      EXPECT_EQ(FieldOf(dialog, c.typed[i].first)->text(), typed[i]);
    }
    return int{QDialog::Rejected};
  };
  Trigger(c.commandId);
  EXPECT_EQ(dialogs, c.ends == Ends::kNoDialog ? 0 : 1);
  std::vector<std::string> texts = c.texts;
  for (std::string& text : texts) {
    if (const auto at = text.find('@'); at != std::string::npos)
      text.replace(at, 1, drive.str() + "/");
  }
  EXPECT_EQ(Texts(), texts);
  EXPECT_EQ(TakeSnapshot(drive.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Requests, DialogRefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

struct Navigation {
  bool previous, next, first, last;
  bool operator==(const Navigation&) const = default;
};
Navigation NavigationOf(QDialog& dialog) {
  return {ButtonOf(dialog, "previous")->isEnabled(), ButtonOf(dialog, "next")->isEnabled(),
          ButtonOf(dialog, "first")->isEnabled(), ButtonOf(dialog, "last")->isEnabled()};
}

TEST_F(QuoteDialogsTest, EditorStepsTheCurrentRowAndCancelKeepsTheFileAndTheRow) {
  const std::string dir = Portfolio("p", PortfolioOf({"ONE", "TWO"}, 1));
  Start();
  onDialog = [&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), "Edit Selected Quote");
    EXPECT_EQ(NavigationOf(dialog), (Navigation{false, false, false, false}));  // one quote
    return 0;
  };
  Trigger(command::kQuoteEdit);

  ClickRow(Symbols(), 1);  // TWO: two quotes, the newest current
  const Snapshot before = TakeSnapshot(dir);
  onDialog = [&](QDialog& dialog) {
    EXPECT_EQ(LabelOf(dialog, "date"), "01/04/00");
    EXPECT_EQ(NavigationOf(dialog), (Navigation{true, false, true, false}));
    TypeInto(FieldOf(dialog, "close"), "99");
    MousePress(ButtonOf(dialog, "previous"));
    // The oldest quote, loaded afresh: what was typed is gone.
    EXPECT_EQ(LabelOf(dialog, "date"), "01/03/00");
    EXPECT_EQ(FieldOf(dialog, "close")->text(), "10.5000");
    EXPECT_EQ(FieldOf(dialog, "openInterest")->text(), "N/A");
    EXPECT_EQ(NavigationOf(dialog), (Navigation{false, true, false, true}));
    return 0;
  };
  Trigger(command::kQuoteEdit);
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(State().quotes.currentRow, 1);  // where the user left it
  EXPECT_EQ(Quotes().SelectedRow(), 0);     // the grid itself untouched
  EXPECT_EQ(window->QuotePane()->text(), "Quote 1 of 2");
  EXPECT_TRUE(boxes.empty());
}

// Enter is OK; Yes to the question writes the quote shown, only the fields changed.
TEST_F(QuoteDialogsTest, EditorOkWritesTheQuoteShownAndOnlyTheFieldsChanged) {
  Portfolio("p", AcmePortfolio());
  Start();
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    MousePress(ButtonOf(dialog, "first"));
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
}

// A volume factor cannot be negative; an open interest factor can.
TEST_F(QuoteDialogsTest, AdjustsVolumeFieldTakesNoMinus) {
  Portfolio("p", AcmePortfolio());
  Start();
  onDialog = [&](QDialog& dialog) {
    TypeInto(FieldOf(dialog, "volume"), "-3");
    TypeInto(FieldOf(dialog, "openInterest"), "-1");
    EXPECT_EQ(FieldOf(dialog, "volume")->text(), "3");
    EXPECT_EQ(FieldOf(dialog, "openInterest")->text(), "-1");
    return int{QDialog::Rejected};
  };
  Trigger(command::kQuoteAdjust);
}

// Add opens the editor on the copy, whose Cancel keeps it; Delete moves to the next row.
TEST_F(QuoteDialogsTest, AddAndDeleteLeaveTheGridOnTheChangedQuote) {
  Portfolio("p", AcmePortfolio());
  Start();
  ClickRow(Quotes(), 2);  // Thu 01/06/00: Wednesday is missing
  std::vector<QString> seen;
  onDialog = [&](QDialog& dialog) {
    seen.push_back(dialog.windowTitle());
    EXPECT_EQ(LabelOf(dialog, "date"), "01/05/00");
    if (seen.size() == 1) {
      EXPECT_TRUE(LabelOf(dialog, "explanation").startsWith("The new quote will be added"));
      return int{QDialog::Accepted};
    }
    EXPECT_EQ(FieldOf(dialog, "close")->text(), "14.5000");  // the editor, on the new quote
    return int{QDialog::Rejected};
  };
  Trigger(command::kQuoteAdd);
  EXPECT_EQ(seen, (std::vector<QString>{"Add Data", "Edit Selected Quote"}));
  EXPECT_EQ(State().quotes.RowCount(), 7);
  EXPECT_EQ(State().quotes.currentRow, 3);
  EXPECT_EQ(Cell(Quotes(), 3, 0), "01/05/00");
  EXPECT_EQ(Cell(Quotes(), 3, 4), "14.5000");  // still the Thursday's copy
  EXPECT_EQ(settings.GetString("Add", "Date", ""), "01/05/00");

  ClickRow(Quotes(), 1);
  answers = {QMessageBox::Yes};
  Answer({});
  Trigger(command::kQuoteDelete);
  EXPECT_EQ(State().quotes.RowCount(), 6);
  EXPECT_EQ(State().quotes.currentRow, 0);
  EXPECT_EQ(Cell(Quotes(), 1, 0), "01/06/00");
  EXPECT_EQ(settings.GetString("Delete", "Date", ""), "01/08/00");
}

// The bars beside the daily ACME, and the same bars in a folder voltrim-cli changes, to
// compare the two byte for byte.
struct BarsTest : QuoteDialogsTest {
  BarsTest() {
    Plant(Data::kBars);
    dir = drive.str() + "/p";
    twin = Write(scratch.path() / "twin", BarPortfolio());
  }
  void Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin() + 1, {twin, "BARS"});
    const CliResult result =
        RunCli(arguments, scratch.str(), {"XDG_CONFIG_HOME=" + scratch.str() + "/config"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFileBytes(fs::path(dir) / "F1.DAT"), ReadFileBytes(fs::path(twin) / "F1.DAT"));
  }
  QStringList Titles() {
    QStringList titles;
    for (int c = 0; c < Quotes().model()->columnCount(); ++c)
      titles << Quotes().model()->headerData(c, Qt::Horizontal).toString();
    return titles;
  }

  TempDir scratch;
  std::string dir, twin;
};

TEST_F(BarsTest, TheTimeColumnFollowsDateForBarsOnlyAndKeepsItsWidth) {
  Start();
  EXPECT_EQ(Titles(), QStringList({"Date", "Time", "Open", "High", "Low", "Close", "Volume",
                                   "Open Interest"}));
  EXPECT_EQ(Cell(Quotes(), kMidDay, 0), "11/14/13");
  EXPECT_EQ(Cell(Quotes(), kMidDay, 1), "09:05:00");
  EXPECT_EQ(Cell(Quotes(), kMidDay, 5), "15.0000");
  const int dateWidth = Quotes().columnWidth(0);
  Quotes().setColumnWidth(1, 77);

  ClickRow(Symbols(), 1);  // ACME: daily, as it always looked
  EXPECT_EQ(Titles(),
            QStringList({"Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"}));
  EXPECT_EQ(Quotes().columnWidth(0), dateWidth);
  ClickRow(Symbols(), 0);
  EXPECT_EQ(Quotes().columnWidth(1), 77);
  window->close();
  EXPECT_EQ(settings.GetInt("QuoteGrid", "colTime", 0), 77);
  EXPECT_GT(settings.GetInt("QuoteGrid", "col6", 0), 0);
}

// The editor steps bar by bar; add asks for date and time; delete names both.
TEST_F(BarsTest, EditAddAndDeleteWriteWhatTheCliWrites) {
  Start();
  ClickRow(Quotes(), kMidDay);
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    MousePress(ButtonOf(dialog, "previous"));
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:00:00");  // the bar before, same day
    MousePress(ButtonOf(dialog, "next"));
    EXPECT_EQ(LabelOf(dialog, "date"), "11/14/13");
    TypeInto(FieldOf(dialog, "close"), "15.1");
    TypeInto(FieldOf(dialog, "time"), "090630");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteEdit);
  Cli({"edit", "11/14/13", "--time", "09:05", "--new-time", "09:06:30", "--close", "15.1"});
  EXPECT_EQ(Cell(Quotes(), kMidDay, 1), "09:06:30");
  EXPECT_EQ(settings.GetString("Edit", "Time", ""), "09:06:30");

  ClickRow(Quotes(), kMidDay);  // the bar now at 09:06:30
  std::vector<QString> seen;
  onDialog = [&](QDialog& dialog) {
    seen.push_back(dialog.windowTitle());
    if (seen.size() > 1) return int{QDialog::Rejected};  // the editor on the new bar
    dialog.show();
    TypeInto(FieldOf(dialog, "time"), "090200");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteAdd);
  EXPECT_EQ(seen, (std::vector<QString>{"Add Data", "Edit Selected Quote"}));
  Cli({"add-quote", "11/14/13", "--time", "09:02"});
  EXPECT_EQ(State().quotes.currentRow, kMidDay + 1);
  EXPECT_EQ(Cell(Quotes(), kMidDay + 1, 1), "09:02:00");

  answers = {QMessageBox::Yes};
  Answer({});
  Trigger(command::kQuoteDelete);
  EXPECT_EQ(Texts(), std::vector<std::string>{
                         "You are about to delete the data for date\n11/14/13 09:02:00\nAre you "
                         "sure?"});
  Cli({"delete-quote", "11/14/13", "--time", "09:02"});
  EXPECT_EQ(settings.GetString("Delete", "Time", ""), "09:02:00");
}

}  // namespace
}  // namespace voltrim::testing
