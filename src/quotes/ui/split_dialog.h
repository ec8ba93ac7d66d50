#pragma once

#include <QDialog>

#include "quotes/quote_command.h"
#include "quotes/split_adjust.h"

namespace voltrim {

class DateEntryField;
class NumericEntryField;
class UserPrompt;

// "Split Data": the split date and the ratio of new to old shares, shown filled in as given
// (the current quote's date and 1 for 1, or a split search's finding). OK closes only when
// the entries pass the checks; the command then writes from Texts().
class SplitDialog : public QDialog {
 public:
  SplitDialog(const SplitTexts& shown, QuoteSeriesContext series, UserPrompt& prompt,
              QWidget* parent = nullptr);

  SplitTexts Texts() const;
  void accept() override;

 private:
  QuoteSeriesContext series_;
  UserPrompt& prompt_;
  DateEntryField* date_ = nullptr;
  NumericEntryField* newShares_ = nullptr;
  NumericEntryField* oldShares_ = nullptr;
};

}  // namespace voltrim
