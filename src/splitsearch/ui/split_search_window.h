#pragma once

#include <QDialog>

#include "splitsearch/split_search.h"
#include "widgets/command_context.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace voltrim {

// "Split Search": a modeless window over the main window. Each Search runs on the
// browser's portfolio of that moment and appends what it finds; the list is kept until
// the window closes. While it is open the browser's split-search flag is set.
class SplitSearchWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SplitSearchWindow(const CommandContext& context);

  QLabel* StatusLabel() const { return status_; }
  QListWidget* Results() const { return results_; }
  QPushButton* SearchButton() const { return search_; }
  QPushButton* SaveAsButton() const { return saveAs_; }
  QPushButton* CloseButton() const { return close_; }

 public Q_SLOTS:
  void Search();
  void SaveAs();
  // Esc and the window's close box end the window as Close does.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void ShowStatus(const std::string& text);
  void ListCandidate(const SplitCandidate& candidate);
  void CentreOnScreen();

  CommandContext context_;
  SplitSearchResults found_;
  bool searching_ = false;
  bool centred_ = false;
  QLabel* status_;
  QListWidget* results_;
  QPushButton* search_;
  QPushButton* saveAs_;
  QPushButton* close_;
};

}  // namespace voltrim
