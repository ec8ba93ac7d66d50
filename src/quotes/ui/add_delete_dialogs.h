#pragma once

#include <QDialog>

#include <string>

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

}  // namespace voltrim
