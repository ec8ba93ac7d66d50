#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "datafiles/format/intraday.h"

namespace voltrim {

class UserPrompt;

// "Delete Data": shows the date of the quote to delete; OK asks first, and No keeps the
// dialog open.
class DeleteQuoteDialog : public QDialog {
 public:
  DeleteQuoteDialog(std::string dateText, UserPrompt& prompt, QWidget* parent = nullptr);
  void accept() override;

 private:
  std::string dateText_;
  UserPrompt& prompt_;
};

// "Add Data": shows the date the new quote will get, which cannot be changed here.
class AddQuoteDialog : public QDialog {
 public:
  AddQuoteDialog(const std::string& newDateText, QWidget* parent = nullptr);
};

class DateEntryField;
class TimeEntryField;

// "Add Data" on a series with a time of day: asks for the new bar's date and time (the
// proposal given at first); OK refuses a date and time that a bar has, and one with no bar
// after it to copy or before the first bar, and stays open.
class AddBarDialog : public QDialog {
 public:
  AddBarDialog(const BarKey& proposal, std::vector<BarKey> bars, UserPrompt& prompt,
               QWidget* parent = nullptr);
  void accept() override;

  std::string DateText() const;
  std::string TimeText() const;
  // After OK: the row of the bar the new one copies.
  int SourceRow() const { return sourceRow_; }

 private:
  std::vector<BarKey> bars_;
  UserPrompt& prompt_;
  DateEntryField* date_ = nullptr;
  TimeEntryField* time_ = nullptr;
  int sourceRow_ = -1;
};

}  // namespace voltrim
