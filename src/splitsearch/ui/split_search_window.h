#pragma once

#include <QDialog>

#include "splitsearch/search_feed.h"
#include "splitsearch/split_search.h"
#include "widgets/command_context.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace voltrim {

// "Split Search": a modeless window over the main window. Each Search runs on the
// browser's portfolio of that moment and appends what it finds, showing the candidates as
// they come and counting them; the list is kept until the window closes. A double-click
// on a line shows its symbol and quote in the main window. While the window is open the
// browser's split-search flag is set.
class SplitSearchWindow : public QDialog {
  Q_OBJECT
 public:
  explicit SplitSearchWindow(const CommandContext& context);

  QLabel* StatusLabel() const { return status_; }
  // How many candidates the running or last search found.
  QLabel* CountLabel() const { return count_; }
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
  void ShowBatch(const std::string& portfolioDir, const SearchFeedBatch& batch);
  // A double-click on a line: its symbol and quote become current in the main window.
  void ShowCandidate(int line);
  void CentreOnScreen();

  // Where a listed line was found, for the double-click.
  struct Place {
    std::string portfolioDir;
    std::string symbol;
    int symbolRow = -1;
    int quoteIndex = -1;
  };

  CommandContext context_;
  SplitSearchResults found_;
  std::vector<Place> places_;  // one per line of the list
  bool searching_ = false;
  bool listFull_ = false;  // the list shows as many lines as it can hold
  bool centred_ = false;
  QLabel* status_;
  QLabel* count_;
  QListWidget* results_;
  QPushButton* search_;
  QPushButton* saveAs_;
  QPushButton* close_;
};

}  // namespace voltrim
