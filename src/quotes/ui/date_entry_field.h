#pragma once

#include <QLineEdit>

#include <functional>

#include "quotes/entry_fields.h"

namespace voltrim {

// The date field of the Split and Adjust dialogs: always MM/DD/YY, typing overwrites one
// digit at a time and moves the selection on. Nothing else changes the text: other
// characters beep, keys that type nothing are swallowed, and paste, cut, drop and undo
// are not offered. The mouse still places the caret and selects.
class DateEntryField : public QLineEdit {
 public:
  DateEntryField(const QString& initialText, std::function<void()> beep, QWidget* parent = nullptr);

 protected:
  // A field typed by another rule over the same eight characters (the time field).
  using TypingRule = DateKeyOutcome (*)(DateFieldState&, char);
  DateEntryField(DateFieldState state, TypingRule rule, std::function<void()> beep,
                 QWidget* parent);
  // Replaces the field's own copy (and so its text) with state.
  void SetState(DateFieldState state);

  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void TypeCharacter(char typed);
  void ShowState();
  void KeepOwnText();

  DateFieldState state_;
  TypingRule rule_ = DateFieldTypeChar;
  std::function<void()> beep_;
};

// The time field of a bar of a series with a time of day (the quote editor, Add): always
// HH:MM:SS, typed like the date field, refusing every digit that would make no valid time.
class TimeEntryField : public DateEntryField {
 public:
  TimeEntryField(const QString& initialText, std::function<void()> beep, QWidget* parent = nullptr);
  // Shows another bar's time (the editor's navigation).
  void SetTime(const QString& text);
};

}  // namespace voltrim
