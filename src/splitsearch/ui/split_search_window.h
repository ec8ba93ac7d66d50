#pragma once

#include <QDialog>

#include <functional>
#include <optional>

#include "splitsearch/search_feed.h"
#include "splitsearch/split_ranking.h"
#include "splitsearch/split_search.h"
#include "widgets/command_context.h"

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace voltrim {

// Opens the split of the loaded series' current quote filled in with a date, new shares and
// old shares, for the user to check and confirm (the quote commands' Split).
using EnterSplitRequest = std::function<void(const std::string& date, const std::string& newShares,
                                             const std::string& oldShares)>;

// "Split Search": a modeless window over the main window. Each Search runs on the
// browser's portfolio of that moment and appends what it finds, showing the candidates as
// they come and counting them; the list is kept until the window closes. Then the lines
// are weighed: "Most likely first" shows them by score with the reasons, and the count
// says how many are likely. A double-click on a line shows its symbol and quote in the
// main window; Enter Split (a button, and the lines' context menu) then opens the split
// filled in with the line's date and ratio. While the window is open the browser's
// split-search flag is set.
class SplitSearchWindow : public QDialog {
  Q_OBJECT
 public:
  SplitSearchWindow(const CommandContext& context, EnterSplitRequest enterSplit);

  QLabel* StatusLabel() const { return status_; }
  // How many candidates the running or last search found.
  QLabel* CountLabel() const { return count_; }
  QListWidget* Results() const { return results_; }
  // The lines most likely first: the line, its score and the reason.
  QTreeWidget* Ranked() const { return ranked_; }
  QCheckBox* MostLikelyFirst() const { return mostLikelyFirst_; }
  QPushButton* SearchButton() const { return search_; }
  QPushButton* SaveAsButton() const { return saveAs_; }
  QPushButton* EnterSplitButton() const { return enterSplit_; }
  QPushButton* CloseButton() const { return close_; }

 public Q_SLOTS:
  void Search();
  void SaveAs();
  // The selected line's series loaded and its split opened, filled in.
  void EnterSplit();
  // Esc and the window's close box end the window as Close does.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Where a listed line was found, for the double-click and Enter Split.
  struct Place {
    std::string portfolioDir;
    SplitCandidate candidate;
  };
  // A line of the ranked view and the portfolio it was found in.
  struct RankedLine {
    std::string portfolioDir;
    RankedSplit ranked;
  };

  void ShowBatch(const std::string& portfolioDir, const SearchFeedBatch& batch);
  // The run's candidates and the steps the search missed, weighed and merged into the view.
  void Rank(const std::string& portfolioDir, const std::vector<std::string>& symbols,
            const SplitSearchRun& run, const std::vector<SplitCandidate>& found);
  void FillRanked();
  // The place of the line selected in the view shown, if one is.
  std::optional<Place> SelectedPlace() const;
  // Its symbol and quote become current in the main window; false (with a beep) when the
  // main window shows another portfolio, or its row another symbol, by now.
  bool ShowPlace(const Place& place);
  void UpdateButtons();
  void CentreOnScreen();

  CommandContext context_;
  EnterSplitRequest enterSplitRequest_;
  SplitSearchResults found_;
  std::vector<Place> places_;        // one per line of the list
  std::vector<RankedLine> ranking_;  // every search's lines, most likely first
  bool searching_ = false;
  bool listFull_ = false;  // the list shows as many lines as it can hold
  bool centred_ = false;
  QLabel* status_;
  QLabel* count_;
  QCheckBox* mostLikelyFirst_;
  QLabel* reason_;
  QStackedWidget* views_;
  QListWidget* results_;
  QTreeWidget* ranked_;
  QPushButton* search_;
  QPushButton* saveAs_;
  QPushButton* enterSplit_;
  QPushButton* close_;
};

}  // namespace voltrim
