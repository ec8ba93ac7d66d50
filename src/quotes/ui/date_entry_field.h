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
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;

 private:
  void TypeCharacter(char typed);
  void ShowState();
  void KeepOwnText();

  DateFieldState state_;
  std::function<void()> beep_;
};

}  // namespace voltrim
