#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "quotes/ui/date_entry_field.h"

namespace voltrim::testing {
namespace {

// A date and a time field counting their beeps (numeric: the quotes tests and the refusals).
struct Field : ::testing::Test {
  int beeps = 0;
  DateEntryField date{"03/15/99", [this] { ++beeps; }};
  TimeEntryField time{"09:15:00", [this] { ++beeps; }};
  Field() {
    date.show();
    time.show();
  }
};

// Each row: the field (the time starts from 09:15:00), the selection, the keys typed, the
// text and selection after, and the beeps.
TEST_F(Field, DigitsFillTheGroupsAndWhatCannotMakeADateOrTimeBeeps) {
  const struct {
    QLineEdit* field;
    int start, end;
    const char* typed;
    const char* text;
    std::pair<int, int> after;
    int beeps;
  } cases[] = {
      {&date, 0, 8, "04", "04/15/99", {3, 5}, 0},    // on to the day
      {&date, 3, 5, "0100", "04/01/00", {0, 2}, 0},  // and on, back to the month at the end
      {&date, 4, 8, "1", "04/01/00", {3, 5}, 1},     // odd selections beep and jump
      {&date, 2, 6, "1", "04/01/00", {0, 2}, 1},
      {&date, 1, 2, "a/-", "04/01/00", {1, 2}, 3},     // nothing but digits
      {&time, 0, 8, "143058", "14:30:58", {0, 2}, 0},  // six digits, back to the hours
      {&time, 0, 2, "3", "09:15:00", {0, 2}, 1},       // no hour starts with 3
      {&time, 0, 2, "24", "20:15:00", {1, 2}, 1},      // 2: not 29 but 20; then 24 refused
      {&time, 3, 5, "6", "09:15:00", {3, 5}, 1},       // no minute starts with 6
      {&time, 6, 8, "07", "09:15:07", {0, 2}, 0},      // any second, odd ones too
      {&time, 0, 2, "a:", "09:15:00", {0, 2}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    if (c.field == &time) time.SetTime("09:15:00");
    c.field->setSelection(c.start, c.end - c.start);
    beeps = 0;
    QTest::keyClicks(c.field, c.typed);
    EXPECT_EQ(c.field->text(), c.text);
    const int start =
        c.field->hasSelectedText() ? c.field->selectionStart() : c.field->cursorPosition();
    EXPECT_EQ(std::make_pair(start, start + static_cast<int>(c.field->selectedText().size())),
              c.after);
    EXPECT_EQ(beeps, c.beeps);
  }
  // A stored odd second is shown as it is; a text that is no time starts it at midnight.
  time.SetTime("17:05:17");
  EXPECT_EQ(time.text(), "17:05:17");
  for (const char* text : {"9:15", "24:00:00", "09:15:60", ""}) {
    time.SetTime(text);
    EXPECT_EQ(time.text(), "00:00:00") << text;
  }
}

// Keys that would edit otherwise beep; keys that type nothing are swallowed; paste, cut,
// drop and undo leave the text alone; the keyboard focus selects it all.
TEST_F(Field, OnlyDigitsChangeTheText) {
  QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&date, &focus);
  EXPECT_EQ(date.selectedText(), "03/15/99");
  date.setSelection(1, 1);
  QTest::keyClick(&date, Qt::Key_Backspace);
  QTest::keyClick(&date, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&date, Qt::Key_Z, Qt::ControlModifier);
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_Delete})
    QTest::keyClick(&date, key);
  EXPECT_EQ(beeps, 3);
  EXPECT_EQ(date.selectionStart(), 1);
  QApplication::clipboard()->setText("25:61:99");
  for (QLineEdit* field : {static_cast<QLineEdit*>(&date), static_cast<QLineEdit*>(&time)}) {
    const QString text = field->text();
    field->selectAll();
    field->paste();
    field->cut();
    field->del();
    field->insert("1");
    field->undo();
    EXPECT_EQ(field->text(), text);
    EXPECT_FALSE(field->acceptDrops());
  }
  date.setSelection(6, 2);
  QTest::keyClick(&date, '0');
  EXPECT_EQ(date.text(), "03/15/09");
}

}  // namespace
}  // namespace voltrim::testing
