#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

namespace voltrim {

class UserPrompt;

// "Edit Symbol": the symbol and name of the selected row, 16 characters each for a row of
// MASTER's (the limits of the row's index file). OK refuses an empty symbol and stays
// open; blanks count as a symbol.
class EditSymbolDialog : public QDialog {
  Q_OBJECT
 public:
  EditSymbolDialog(const std::string& symbol, const std::string& name, UserPrompt& prompt,
                   QWidget* parent, int symbolLimit = 16, int nameLimit = 16);

  std::string Symbol() const;
  std::string Name() const;

  QLineEdit* SymbolEdit() const { return symbol_; }
  QLineEdit* NameEdit() const { return name_; }

 public Q_SLOTS:
  void accept() override;

 private:
  UserPrompt& prompt_;
  QLineEdit* symbol_;
  QLineEdit* name_;
};

}  // namespace voltrim
