#pragma once

#include <QLineEdit>

#include <functional>

namespace voltrim {

// A value field of the quote dialogs: typed characters other than digits, '.' and control
// keys are dropped with a beep, and typing stops at the field's limit. Text the program
// sets or the user pastes is taken as it is; the dialog checks the limit at OK, so a grid
// text longer than the limit is shown whole instead of being cut.
class NumericEntryField : public QLineEdit {
 public:
  NumericEntryField(int maxChars, std::function<void()> beep, QWidget* parent = nullptr);

  int MaxChars() const { return maxChars_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  int maxChars_;
  std::function<void()> beep_;
};

}  // namespace voltrim
