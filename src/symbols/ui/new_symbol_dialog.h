#pragma once

#include <QDialog>

#include "datafiles/write/new_files.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace voltrim {

class UserPrompt;

// "New Symbol": the symbol and name as Edit Symbol takes them (16 characters each, an empty
// symbol refused and the dialog left open), the columns of the series and whether it is
// intraday.
class NewSymbolDialog : public QDialog {
  Q_OBJECT
 public:
  NewSymbolDialog(UserPrompt& prompt, QWidget* parent);

  NewSeries Series() const;

  QLineEdit* SymbolEdit() const { return symbol_; }
  QLineEdit* NameEdit() const { return name_; }

 public Q_SLOTS:
  void accept() override;

 private:
  UserPrompt& prompt_;
  QLineEdit* symbol_;
  QLineEdit* name_;
  QButtonGroup* columns_;
  QCheckBox* intraday_;
};

}  // namespace voltrim
