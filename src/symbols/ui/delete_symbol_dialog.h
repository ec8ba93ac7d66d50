#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;

namespace voltrim {

// "Delete Symbol": shows the symbol and asks. No is the default button, so a stray Enter
// deletes nothing; closing the window answers No as well. Several symbols ("Delete Symbols")
// are counted and listed, and asked for once.
class DeleteSymbolDialog : public QDialog {
  Q_OBJECT
 public:
  DeleteSymbolDialog(const std::string& symbol, QWidget* parent)
      : DeleteSymbolDialog(std::vector<std::string>{symbol}, parent) {}
  DeleteSymbolDialog(const std::vector<std::string>& symbols, QWidget* parent);

  QPushButton* YesButton() const { return yes_; }
  QPushButton* NoButton() const { return no_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QPushButton* yes_;
  QPushButton* no_;
};

}  // namespace voltrim
