#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QListWidget;

namespace voltrim {

// "Move Symbol" / "Copy Symbol": the symbol being transferred and the portfolios it can
// go to, listed in the order given. OK hands back the selected destination, or nothing.
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

  // The selected entry's text; empty when none is selected.
  std::string Destination() const;

  QListWidget* Destinations() const { return list_; }

 private:
  QListWidget* list_;
};

}  // namespace voltrim
