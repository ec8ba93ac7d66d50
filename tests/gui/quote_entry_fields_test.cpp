#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include "quotes/ui/date_entry_field.h"
#include "quotes/ui/numeric_entry_field.h"

namespace voltrim::testing {
namespace {

struct NumericField : ::testing::Test {
  int beeps = 0;
  NumericEntryField field{5, [this] { ++beeps; }};
};

TEST_F(NumericField, TypingDropsOtherCharactersWithABeepButNotTextSetOrPasted) {
  QTest::keyClicks(&field, "1a2-3e");
  EXPECT_EQ(field.text(), "123");
  EXPECT_EQ(beeps, 3);
  // Keys that type nothing edit as usual; Backspace is a control character and passes.
  for (Qt::Key key : {Qt::Key_Home, Qt::Key_Delete, Qt::Key_End, Qt::Key_Backspace}) {
    QTest::keyClick(&field, key);
  }
  EXPECT_EQ(field.text(), "2");
  QTest::keyClicks(&field, ".25678");
  EXPECT_EQ(field.text(), "2.256");  // five characters: the rest is dropped, silently
  EXPECT_EQ(beeps, 3);
  // With the text selected a digit replaces it even at the limit.
  field.selectAll();
  QTest::keyClick(&field, '7');
  EXPECT_EQ(field.text(), "7");

  field.setText("123456.7890");
  EXPECT_EQ(field.text(), "123456.7890");
  QApplication::clipboard()->setText("-4e2");
  field.clear();
  QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(field.text(), "-4e2");
  EXPECT_EQ(beeps, 3);
}

// Each row: the selection, the keys typed, the text and selection after, and the beeps.
struct Typing {
  int start, end;
  const char* typed;
  const char* text;
  std::pair<int, int> after;
  int beeps;
};

template <typename Field>
void ExpectTyping(Field& field, int& beeps, const Typing& c) {
  field.setSelection(c.start, c.end - c.start);
  beeps = 0;
  QTest::keyClicks(&field, c.typed);
  EXPECT_EQ(field.text(), c.text) << c.typed;
  const std::pair<int, int> selection =
      field.hasSelectedText() ? std::make_pair(static_cast<int>(field.selectionStart()),
                                               static_cast<int>(field.selectionEnd()))
                              : std::make_pair(field.cursorPosition(), field.cursorPosition());
  EXPECT_EQ(selection, c.after) << c.typed;
  EXPECT_EQ(beeps, c.beeps) << c.typed;
}

struct DateField : ::testing::Test {
  int beeps = 0;
  DateEntryField field{"03/15/99", [this] { ++beeps; }};
  DateField() { field.show(); }
};

TEST_F(DateField, DigitsFillTheGroupsAndOddSelectionsJumpToTheirGroup) {
  // The keyboard focus selects the whole date.
  QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(&field, &focus);
  EXPECT_EQ(field.selectedText(), "03/15/99");
  const Typing cases[] = {
      {0, 8, "04", "04/15/99", {3, 5}, 0},    // on to the day
      {3, 5, "0100", "04/01/00", {0, 2}, 0},  // and on, back to the month at the end
      {4, 8, "1", "04/01/00", {3, 5}, 1},     // odd selections beep and jump
      {2, 6, "1", "04/01/00", {0, 2}, 1},
      {1, 2, "a/-", "04/01/00", {1, 2}, 3},  // nothing but digits
  };
  for (const Typing& c : cases) ExpectTyping(field, beeps, c);

  // Keys that would edit otherwise beep; keys that type nothing are swallowed.
  field.setSelection(1, 1);
  beeps = 0;
  QTest::keyClick(&field, Qt::Key_Backspace);
  QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&field, Qt::Key_Z, Qt::ControlModifier);
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_End, Qt::Key_Delete}) {
    QTest::keyClick(&field, key);
  }
  EXPECT_EQ(beeps, 3);
  EXPECT_EQ(field.text(), "04/01/00");
  EXPECT_EQ(field.selectionStart(), 1);
}

TEST_F(DateField, AClickPlacesTheCaretAndTheNextDigitFillsThatPosition) {
  field.setCursorPosition(4);
  const QPoint betweenDayDigits = field.inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  field.setCursorPosition(0);
  QTest::mouseClick(&field, Qt::LeftButton, Qt::NoModifier, betweenDayDigits);
  ASSERT_EQ(field.cursorPosition(), 4);
  QTest::keyClick(&field, '7');
  EXPECT_EQ(field.text(), "03/75/99");  // the first day digit; the second is selected
  EXPECT_EQ(field.selectedText(), "5");
}

TEST_F(DateField, PasteCutDropAndUndoLeaveTheTextAlone) {
  QApplication::clipboard()->setText("12/31/98");
  field.selectAll();
  field.paste();
  field.cut();
  field.del();
  field.insert("1");
  field.undo();
  EXPECT_EQ(field.text(), "03/15/99");

  // The context menu still copies, but offers nothing that would change the text.
  QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2),
                              field.mapToGlobal(QPoint(2, 2)));
  QApplication::sendEvent(&field, &menuEvent);
  QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_NE(menu, nullptr);
  QStringList entries;
  for (const QAction* action : menu->actions()) entries << action->text();
  menu->close();
  EXPECT_EQ(entries, QStringList({"&Copy", "Select &All"}));

  EXPECT_FALSE(field.acceptDrops());
  QMimeData dropped;
  dropped.setText("12/31/98");
  QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&field, &drop);
  EXPECT_EQ(field.text(), "03/15/99");

  // The field's own copy is what typing continues from.
  field.setSelection(6, 2);
  QTest::keyClick(&field, '0');
  EXPECT_EQ(field.text(), "03/15/09");
}

struct TimeField : ::testing::Test {
  int beeps = 0;
  TimeEntryField field{"09:15:00", [this] { ++beeps; }};
  TimeField() { field.show(); }
};

// A digit that can make no valid time in its place beeps and leaves the selection there.
TEST_F(TimeField, DigitsFillHoursMinutesSecondsAndInvalidTimesBeep) {
  const Typing cases[] = {
      {0, 8, "143058", "14:30:58", {0, 2}, 0},  // six digits, back to the hours
      {0, 2, "3", "09:15:00", {0, 2}, 1},       // no hour starts with 3
      {0, 2, "24", "20:15:00", {1, 2}, 1},      // 2 then 4: hour 24 refused, 20 stays
      {3, 5, "6", "09:15:00", {3, 5}, 1},       // no minute starts with 6
      {6, 8, "07", "09:15:00", {7, 8}, 1},      // an odd second cannot be stored
      {6, 8, "08", "09:15:08", {0, 2}, 0},
      {0, 2, "a:", "09:15:00", {0, 2}, 2},  // nothing but digits
  };
  for (const Typing& c : cases) {
    field.SetTime("09:15:00");
    ExpectTyping(field, beeps, c);
  }
  // An hour of 2x becomes 20 when its unit would pass 23, so the time stays a time.
  field.SetTime("19:00:00");
  field.setSelection(0, 2);
  QTest::keyClick(&field, '2');
  EXPECT_EQ(field.text(), "20:00:00");
}

TEST_F(TimeField, PasteAndOddTextsCannotBreakIt) {
  QApplication::clipboard()->setText("25:61:99");
  field.selectAll();
  field.paste();
  field.insert("x");
  EXPECT_EQ(field.text(), "09:15:00");
  // A text that is no time, given by the program, starts the field at midnight.
  for (const char* text : {"9:15", "24:00:00", "09:15:01", ""}) {
    field.SetTime(text);
    EXPECT_EQ(field.text(), "00:00:00") << text;
  }
}

}  // namespace
}  // namespace voltrim::testing
