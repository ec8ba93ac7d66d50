#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLayout;
class QListWidget;

namespace voltrim {

// "Move Symbol" / "Copy Symbol": the symbol (or symbols) being transferred and the
// portfolios they can go to, listed in the order given. OK hands back the selected destination, or
// nothing.
class TransferSymbolDialog : public QDialog {
  Q_OBJECT
 public:
  struct Source {
    std::string symbol;
    std::string name;
    std::string portfolioDir;
  };

  TransferSymbolDialog(bool move, const Source& source,
                       const std::vector<std::string>& destinations, QWidget* parent);
  // Several symbols ("Move Symbols" / "Copy Symbols"), counted and listed.
  TransferSymbolDialog(bool move, const std::vector<std::string>& symbols,
                       const std::string& portfolioDir,
                       const std::vector<std::string>& destinations, QWidget* parent);

  // The selected entry's text; empty when none is selected.
  std::string Destination() const;

  QListWidget* Destinations() const { return list_; }

 private:
  // The destinations below what the dialog says of the symbols.
  void Build(QLayout* facts, const std::vector<std::string>& destinations);

  QListWidget* list_ = nullptr;
};

}  // namespace voltrim
