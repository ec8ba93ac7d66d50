#pragma once

#include <QDialog>

#include <array>

#include "quotes/quote_edit.h"

class QLabel;
class QPushButton;

namespace voltrim {

class Browser;
class NumericEntryField;
class TimeEntryField;
class UserPrompt;

// "Edit Selected Quote": shows the browser's current quote row and steps through the rows
// with Previous, Next, First and Last, which move the browser's current row itself. OK
// only closes; the command writes afterwards from Input(). For a series with a time of day
// it shows the bar's time in a time field below the date, and steps bar by bar.
class QuoteEditDialog : public QDialog {
 public:
  QuoteEditDialog(Browser& browser, UserPrompt& prompt, QWidget* parent = nullptr);

  // The texts as the last Load put them and as they stand now.
  QuoteEditInput Input() const;

  void accept() override;

 private:
  void Load();
  void Step(QuoteNavigation button);
  QPushButton* NavigationButton(const char* label, const char* name, QuoteNavigation button);

  Browser& browser_;
  UserPrompt& prompt_;
  QuoteEditTexts loaded_;
  QLabel* date_ = nullptr;
  TimeEntryField* time_ = nullptr;  // a series with a time of day only
  std::array<NumericEntryField*, 6> values_{};
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QPushButton* first_ = nullptr;
  QPushButton* last_ = nullptr;
};

}  // namespace voltrim
