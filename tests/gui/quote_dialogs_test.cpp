#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

struct QuoteDialogsTest : GuiTest {
  void Trigger(int commandId) {
    window->RefreshFromState();
    QAction* action = window->Action(commandId);
    ASSERT_TRUE(action->isEnabled()) << commandId;
    action->trigger();
  }
  QString Date(int row) { return Cell(Quotes(), row, 0); }
};

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
    EXPECT_EQ(State().quotes.currentRow, 1);
    return 0;
  };
  Trigger(command::kQuoteEdit);
  EXPECT_EQ(TakeSnapshot(dir), before);
  EXPECT_EQ(State().quotes.currentRow, 1);  // where the user left it
  EXPECT_EQ(Quotes().SelectedRow(), 0);     // the grid itself untouched
  EXPECT_EQ(window->QuotePane()->text(), "Quote 1 of 2");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(QuoteDialogsTest, EditorOkWritesTheQuoteShownAndOnlyTheFieldsChanged) {
  Portfolio("p", AcmePortfolio());
  Start();
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    MousePress(ButtonOf(dialog, "first"));
    EXPECT_EQ(LabelOf(dialog, "date"), "01/03/00");
    EXPECT_EQ(FieldOf(dialog, "open")->text(), "12.3457");
    TypeInto(FieldOf(dialog, "close"), "20.5");
    QTest::keyClick(FieldOf(dialog, "close"), Qt::Key_Return);  // Enter is OK
    return dialog.result();
  };
  answers.push_back(QMessageBox::Yes);  // a close above the high is asked about
  Trigger(command::kQuoteEdit);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Close is above High.\n\nSave anyway?");
  const QuoteTable& quotes = State().quotes;
  ASSERT_EQ(quotes.RowCount(), 6);
  EXPECT_EQ(quotes.currentRow, 0);
  EXPECT_FLOAT_EQ(quotes.rows[5].close, 20.5f);
  // Untouched fields keep their stored values, not the grid's rounding.
  EXPECT_EQ(quotes.rows[5].open, 12.34567f);
  EXPECT_EQ(quotes.rows[5].volume, 1234.6f);
  EXPECT_EQ(quotes.rows[4].close, 13.5f);
  EXPECT_EQ(settings.GetString("Edit", "Date", ""), "01/03/00");
  EXPECT_EQ(settings.GetString("Edit", "Open", ""), "12.3457");
  EXPECT_EQ(settings.GetString("Edit", "Close", ""), "20.5");
  EXPECT_EQ(settings.GetString("Edit", "OI", ""), "N/A");
}

// Values that contradict each other, by the portfolio check's rules, are asked about once:
// No returns to the dialog with what was typed, Yes writes them.
TEST_F(QuoteDialogsTest, EditorAsksOnceAboutContradictoryValues) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA"}, 3));
  Start();
  const Snapshot before = TakeSnapshot(dir);
  int oks = 0;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    TypeInto(FieldOf(dialog, "high"), "5");  // below the low of 9.02, under open and close
    QTest::keyClick(FieldOf(dialog, "high"), Qt::Key_Return);
    ++oks;
    EXPECT_TRUE(dialog.isVisible());  // No: still open, the text kept
    EXPECT_EQ(FieldOf(dialog, "high")->text(), "5");
    TypeInto(FieldOf(dialog, "low"), "4");  // now open and close are above the high
    QTest::keyClick(FieldOf(dialog, "low"), Qt::Key_Return);
    ++oks;
    return dialog.result();
  };
  answers = {QMessageBox::No, QMessageBox::Yes};
  Trigger(command::kQuoteEdit);
  EXPECT_EQ(oks, 2);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "High is below Low.\n\nSave anyway?");
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(boxes[1].text, "Open is above High.\nClose is above High.\n\nSave anyway?");
  EXPECT_TRUE(TakeSnapshot(dir) != before);
  EXPECT_EQ(Cell(Quotes(), 0, 2), "5.0000");
  EXPECT_EQ(Cell(Quotes(), 0, 3), "4.0000");

  // Values that agree are written without a question.
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    TypeInto(FieldOf(dialog, "high"), "12");
    TypeInto(FieldOf(dialog, "low"), "9");
    QTest::keyClick(FieldOf(dialog, "low"), Qt::Key_Return);
    return dialog.result();
  };
  Trigger(command::kQuoteEdit);
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(Cell(Quotes(), 0, 2), "12.0000");
}

TEST_F(QuoteDialogsTest, EditorRefusesATextLongerThanItsFieldAndStaysOpen) {
  const std::string dir =
      Portfolio("p", testing::Portfolio({SeriesEntry(MakeDailySeries(
                         1, "BIG", "BIG", {{Day(2000, 1, 3), 1e15f, 2, 1, 2, 5}}))}));
  Start();
  const Snapshot before = TakeSnapshot(dir);
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    QLineEdit* open = FieldOf(dialog, "open");
    EXPECT_EQ(open->text(), "999999986991104.0000");  // shown whole, not cut
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(open->selectedText(), open->text());
    return dialog.result();
  };
  Trigger(command::kQuoteEdit);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Please enter no more than 16 characters.");
  EXPECT_EQ(TakeSnapshot(dir), before);
}

TEST_F(QuoteDialogsTest, SplitWithAZeroKeepsTheDialogAndItsEntriesThenSplits) {
  Portfolio("p", AcmePortfolio());
  Start();
  ClickRow(Quotes(), 2);  // 01/06/00
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Split Data");
    QLineEdit* date = FieldOf(dialog, "date");
    EXPECT_EQ(date->text(), "01/06/00");
    EXPECT_EQ(FieldOf(dialog, "oldShares")->text(), "1");
    TypeInto(FieldOf(dialog, "newShares"), "0");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(FieldOf(dialog, "newShares")->text(), "0");
    EXPECT_EQ(date->text(), "01/06/00");
    TypeInto(FieldOf(dialog, "newShares"), "2");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteSplit);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Invalid Data Entered");
  const QuoteTable& quotes = State().quotes;
  EXPECT_EQ(quotes.rows[2].close, 14.5f);           // the split day itself stays
  EXPECT_FLOAT_EQ(quotes.rows[3].close, 6.8f);      // earlier prices halved
  EXPECT_FLOAT_EQ(quotes.rows[5].volume, 2469.2f);  // earlier volume doubled
  EXPECT_EQ(settings.GetString("Split", "Date", ""), "01/06/00");
  EXPECT_EQ(settings.GetString("Split", "New", ""), "2");
  EXPECT_EQ(settings.GetString("Split", "Old", ""), "1");
}

TEST_F(QuoteDialogsTest, AdjustScalesTheTypedRangeOnly) {
  Portfolio("p", AcmePortfolio());
  Start();
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(FieldOf(dialog, "from")->text(), "01/03/00");  // the whole series
    EXPECT_EQ(FieldOf(dialog, "to")->text(), "01/11/00");
    TypeInto(FieldOf(dialog, "from"), "010400");
    TypeInto(FieldOf(dialog, "to"), "010600");
    TypeInto(FieldOf(dialog, "price"), "2");
    TypeInto(FieldOf(dialog, "volume"), "-3");  // no minus sign in this field
    TypeInto(FieldOf(dialog, "openInterest"), "-1");
    EXPECT_EQ(FieldOf(dialog, "volume")->text(), "3");
    EXPECT_EQ(FieldOf(dialog, "openInterest")->text(), "-1");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteAdjust);
  EXPECT_TRUE(boxes.empty());
  const QuoteTable& quotes = State().quotes;
  const float closes[] = {16.5f, 15.5f, 29.0f, 27.2f, 27.0f, 12.5f};
  for (std::size_t row = 0; row < 6; ++row) {
    EXPECT_FLOAT_EQ(quotes.rows[row].close, closes[row]) << row;
  }
  EXPECT_FLOAT_EQ(quotes.rows[2].volume, 9000.0f);
  EXPECT_EQ(settings.GetString("Adjust", "Date1", ""), "01/04/00");
  EXPECT_EQ(settings.GetString("Adjust", "OIMult", ""), "-1");
}

TEST_F(QuoteDialogsTest, AddOpensTheEditorOnTheCopyAndCancelThereKeepsIt) {
  Portfolio("p", AcmePortfolio());
  Start();
  ClickRow(Quotes(), 3);  // Tue 01/04/00: Monday 01/03/00 is there already
  int dialogs = 0;
  onDialog = [&](QDialog&) {
    ++dialogs;
    return 0;
  };
  Trigger(command::kQuoteAdd);
  EXPECT_EQ(dialogs, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Date 01/03/00 already exists.");

  ClickRow(Quotes(), 2);  // Thu 01/06/00: Wednesday is missing
  std::vector<QString> seen;
  onDialog = [&](QDialog& dialog) {
    seen.push_back(dialog.windowTitle());
    if (seen.size() == 1) {
      EXPECT_EQ(LabelOf(dialog, "date"), "01/05/00");
      EXPECT_TRUE(LabelOf(dialog, "explanation").startsWith("The new quote will be added"));
      return int{QDialog::Accepted};
    }
    EXPECT_EQ(LabelOf(dialog, "date"), "01/05/00");  // the editor, on the new quote
    EXPECT_EQ(FieldOf(dialog, "close")->text(), "14.5000");
    return int{QDialog::Rejected};
  };
  Trigger(command::kQuoteAdd);
  EXPECT_EQ(seen, (std::vector<QString>{"Add Data", "Edit Selected Quote"}));
  EXPECT_EQ(State().quotes.RowCount(), 7);
  EXPECT_EQ(State().quotes.currentRow, 3);
  EXPECT_EQ(Date(3), "01/05/00");
  EXPECT_EQ(Cell(Quotes(), 3, 4), "14.5000");  // still the Thursday's copy
  EXPECT_EQ(settings.GetString("Add", "Date", ""), "01/05/00");

  ClickRow(Quotes(), 6);  // the oldest quote: nothing can be added before it
  window->RefreshFromState();
  EXPECT_FALSE(window->Action(command::kQuoteAdd)->isEnabled());
}

TEST_F(QuoteDialogsTest, DeleteAsksAndNoKeepsTheDialogOpen) {
  Portfolio("p", AcmePortfolio());
  Start();
  ClickRow(Quotes(), 1);
  answers = {QMessageBox::No, QMessageBox::Yes};
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Delete Data");
    EXPECT_EQ(LabelOf(dialog, "date"), "01/08/00");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  Trigger(command::kQuoteDelete);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, "You are about to delete the data for date\n01/08/00\nAre you sure?");
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(State().quotes.RowCount(), 5);
  EXPECT_EQ(State().quotes.currentRow, 0);
  EXPECT_EQ(Date(1), "01/06/00");
  EXPECT_EQ(settings.GetString("Delete", "Date", ""), "01/08/00");
}

}  // namespace
}  // namespace voltrim::testing
