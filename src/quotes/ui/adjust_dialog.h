#pragma once

#include <QDialog>

#include "quotes/quote_command.h"
#include "quotes/split_adjust.h"

class QLineEdit;

namespace voltrim {

class DateEntryField;
class NumericEntryField;
class UserPrompt;

// "Adjust Data": a date range and the multipliers for prices, volume and open interest.
// OK closes only when the entries pass the checks; the command then writes from Texts().
class AdjustDialog : public QDialog {
 public:
  AdjustDialog(QuoteSeriesContext series, UserPrompt& prompt, QWidget* parent = nullptr);

  AdjustTexts Texts() const;
  void accept() override;

 private:
  QuoteSeriesContext series_;
  UserPrompt& prompt_;
  DateEntryField* from_ = nullptr;
  DateEntryField* to_ = nullptr;
  NumericEntryField* price_ = nullptr;
  NumericEntryField* volume_ = nullptr;
  QLineEdit* openInterest_ = nullptr;
};

}  // namespace voltrim
