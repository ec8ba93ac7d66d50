#include "cli/cli_run.h"
#include "datafiles/intraday_fixture.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// BARS (three days of four 5-minute bars) beside the daily ACME; the same bars in a twin
// folder that the command line changes, to compare the two byte for byte.
struct IntradayWindowTest : GuiTest {
  IntradayWindowTest() {
    PortfolioSpec plan = BarPortfolio();
    SeriesSpec acme = AcmeSeries();
    acme.fileNumber = 2;
    plan.entries.push_back(SeriesEntry(acme));
    dir = Portfolio("p", plan);
    twin = Write(scratch.path() / "twin", BarPortfolio());
  }
  void Trigger(int commandId) {
    window->RefreshFromState();
    QAction* action = window->Action(commandId);
    ASSERT_TRUE(action->isEnabled()) << commandId;
    action->trigger();
  }
  void Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin() + 1, {twin, "BARS"});
    const CliResult result =
        RunCli(arguments, scratch.str(), {"XDG_CONFIG_HOME=" + scratch.str() + "/config"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }
  void ExpectSameAsTwin() {
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

// Rows, newest first: 0-3 are 11/15/13 09:15 .. 09:00, 4-7 11/14/13, 8-11 11/13/13.
constexpr int kMidDay = 6;  // 11/14/13 09:05:00

TEST_F(IntradayWindowTest, TheTimeColumnFollowsDateForBarsOnlyAndKeepsItsWidth) {
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

TEST_F(IntradayWindowTest, TheEditorStepsBarByBarAndWritesTheBarShownAlone) {
  Start();
  ClickRow(Quotes(), kMidDay);
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(LabelOf(dialog, "date"), "11/14/13");
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:05:00");
    MousePress(ButtonOf(dialog, "previous"));
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:00:00");  // the bar before, same day
    MousePress(ButtonOf(dialog, "next"));
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:05:00");
    TypeInto(FieldOf(dialog, "close"), "15.1");
    TypeInto(FieldOf(dialog, "time"), "090630");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteEdit);
  EXPECT_TRUE(boxes.empty());
  Cli({"edit", "11/14/13", "--time", "09:05", "--new-time", "09:06:30", "--close", "15.1"});
  ExpectSameAsTwin();
  EXPECT_EQ(Cell(Quotes(), kMidDay, 1), "09:06:30");
  EXPECT_EQ(settings.GetString("Edit", "Time", ""), "09:06:30");

  // A time past the bar after it would put the file out of order: said, and kept open.
  ClickRow(Quotes(), kMidDay);
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    TypeInto(FieldOf(dialog, "time"), "091200");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    return int{QDialog::Rejected};
  };
  Trigger(command::kQuoteEdit);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text.toStdString(),
            "Choose a time between 09:00:00 and 09:10:00, the times of the bars before and "
            "after this one.");
  ExpectSameAsTwin();
}

TEST_F(IntradayWindowTest, AddAsksForDateAndTimeAndDeleteNamesBoth) {
  Start();
  ClickRow(Quotes(), kMidDay);
  std::vector<QString> seen;
  onDialog = [&](QDialog& dialog) {
    seen.push_back(dialog.windowTitle());
    if (seen.size() > 1) return int{QDialog::Rejected};  // the editor on the new bar
    dialog.show();
    EXPECT_EQ(FieldOf(dialog, "date")->text(), "11/14/13");
    EXPECT_EQ(FieldOf(dialog, "time")->text(), "09:02:30");  // between 09:00 and 09:05
    TypeInto(FieldOf(dialog, "time"), "090000");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    TypeInto(FieldOf(dialog, "time"), "090200");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteAdd);
  EXPECT_EQ(seen, (std::vector<QString>{"Add Data", "Edit Selected Quote"}));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Date 11/14/13 09:00:00 already exists.");
  Cli({"add-quote", "11/14/13", "--time", "09:02"});
  ExpectSameAsTwin();
  EXPECT_EQ(State().quotes.currentRow, kMidDay + 1);
  EXPECT_EQ(Cell(Quotes(), kMidDay + 1, 1), "09:02:00");

  boxes.clear();
  answers = {QMessageBox::Yes};
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(LabelOf(dialog, "date"), "11/14/13 09:02:00");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteDelete);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            "You are about to delete the data for date\n11/14/13 09:02:00\nAre you sure?");
  Cli({"delete-quote", "11/14/13", "--time", "09:02"});
  ExpectSameAsTwin();
  EXPECT_EQ(ReadFileBytes(fs::path(dir) / "F1.DAT"),
            BarDatBytes(scratch.path() / "b", ThreeDaysOfBars()));
  EXPECT_EQ(settings.GetString("Delete", "Time", ""), "09:02:00");
}

}  // namespace
}  // namespace voltrim::testing
