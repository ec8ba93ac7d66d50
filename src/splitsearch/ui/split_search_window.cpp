#include "splitsearch/ui/split_search_window.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "browser/browser.h"
#include "splitsearch/split_results_file.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_prompt.h"
#include "widgets/qt_text.h"
#include "widgets/save_text_file_dialog.h"

namespace voltrim {
namespace {

QString FoundText(int found) {
  return found == 1 ? QStringLiteral("1 candidate found")
                    : QStringLiteral("%1 candidates found").arg(found);
}

// "653 candidates found, 14 likely"
QString FoundAndLikelyText(int found, int likely) {
  return FoundText(found) + QStringLiteral(", %1 likely").arg(likely);
}

QPushButton* Button(const char* text, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

SplitSearchWindow::SplitSearchWindow(const CommandContext& context, EnterSplitRequest enterSplit)
    : QDialog(context.window), context_(context), enterSplitRequest_(std::move(enterSplit)) {
  setWindowTitle(QStringLiteral("Split Search"));
  setObjectName(QStringLiteral("splitSearchWindow"));
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  auto* group = new QGroupBox(QStringLiteral("Search Results"), this);
  status_ = new QLabel(group);
  status_->setObjectName(QStringLiteral("status"));
  count_ = new QLabel(group);
  count_->setObjectName(QStringLiteral("count"));
  count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  results_ = new QListWidget(group);
  results_->setObjectName(QStringLiteral("results"));
  results_->setSortingEnabled(false);
  results_->setUniformItemSizes(true);
  results_->setToolTip(QStringLiteral("Double-click a line to show its quote"));
  connect(results_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    const int line = results_->row(item);
    if (!searching_ && line >= 0 && line < static_cast<int>(places_.size()))
      ShowPlace(places_[static_cast<std::size_t>(line)]);
  });
  ranked_ = new QTreeWidget(group);
  ranked_->setObjectName(QStringLiteral("ranked"));
  ranked_->setRootIsDecorated(false);
  ranked_->setUniformRowHeights(true);
  ranked_->setAllColumnsShowFocus(true);
  ranked_->setHeaderLabels(
      {QStringLiteral("Possible split"), QStringLiteral("Score"), QStringLiteral("Why")});
  ranked_->header()->setStretchLastSection(true);
  ranked_->setToolTip(QStringLiteral("Double-click a line to show its quote"));
  connect(ranked_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const int line = ranked_->indexOfTopLevelItem(item);
    if (!searching_ && line >= 0 && line < static_cast<int>(ranking_.size())) {
      const RankedLine& ranked = ranking_[static_cast<std::size_t>(line)];
      ShowPlace({ranked.portfolioDir, ranked.ranked.candidate});
    }
  });
  views_ = new QStackedWidget(group);
  views_->addWidget(results_);
  views_->addWidget(ranked_);
  mostLikelyFirst_ = new QCheckBox(QStringLiteral("&Most likely first"), group);
  mostLikelyFirst_->setObjectName(QStringLiteral("mostLikelyFirst"));
  // The selected ranked line's reason in full, which its column may cut.
  reason_ = new QLabel(group);
  reason_->setObjectName(QStringLiteral("reason"));
  reason_->setWordWrap(true);
  reason_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  reason_->hide();
  connect(ranked_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    reason_->setText(item ? QStringLiteral("Why: ") + item->text(2) : QString());
  });
  connect(mostLikelyFirst_, &QCheckBox::toggled, this, [this](bool ranked) {
    views_->setCurrentIndex(ranked ? 1 : 0);
    reason_->setVisible(ranked);
    UpdateButtons();
  });
  auto* statusLine = new QHBoxLayout;
  statusLine->addWidget(status_, 1);
  statusLine->addWidget(count_);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addLayout(statusLine);
  groupLayout->addWidget(mostLikelyFirst_);
  groupLayout->addWidget(views_, 1);
  groupLayout->addWidget(reason_);
  auto* caution =
      new QLabel(QStringLiteral("Search results should be confirmed before editing data."), this);
  caution->setWordWrap(true);

  search_ = Button("Search", "search", this);
  search_->setDefault(true);
  saveAs_ = Button("Save As...", "saveAs", this);
  saveAs_->setEnabled(false);
  enterSplit_ = Button("Enter Split...", "enterSplit", this);
  enterSplit_->setToolTip(
      QStringLiteral("Show the selected line's quote and open Quotes > Split filled in with its "
                     "date and ratio"));
  close_ = Button("Close", "close", this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(search_);
  buttons->addWidget(saveAs_);
  buttons->addWidget(enterSplit_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  connect(search_, &QPushButton::clicked, this, &SplitSearchWindow::Search);
  connect(saveAs_, &QPushButton::clicked, this, &SplitSearchWindow::SaveAs);
  connect(enterSplit_, &QPushButton::clicked, this, &SplitSearchWindow::EnterSplit);
  connect(close_, &QPushButton::clicked, this, &SplitSearchWindow::reject);
  // Both views offer Enter Split on a line's context menu.
  auto* enterSplitAction = new QAction(QStringLiteral("Enter Split..."), this);
  enterSplitAction->setObjectName(QStringLiteral("enterSplitAction"));
  connect(enterSplitAction, &QAction::triggered, this, &SplitSearchWindow::EnterSplit);
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(results_), static_cast<QAbstractItemView*>(ranked_)}) {
    view->setContextMenuPolicy(Qt::ActionsContextMenu);
    view->addAction(enterSplitAction);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SplitSearchWindow::UpdateButtons);
  }
  UpdateButtons();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group, 1);
  layout->addWidget(caution);
  layout->addLayout(buttons);
  // Room for a dozen lines of the longest symbols, with their scores and most of a reason.
  resize(DialogUnits(*this, 520, 250));
}

void SplitSearchWindow::Search() {
  // A box shown during a search lets events through; a press then must not start another.
  if (searching_) return;
  searching_ = true;
  UpdateButtons();
  const BrowserState& state = context_.browser->State();
  const std::string portfolioDir = state.portfolioDir;
  std::vector<std::string> symbols;
  for (const SymbolRow& row : state.symbols.rows) symbols.push_back(row.symbol);
  count_->setText(FoundText(0));
  listFull_ = false;  // the window may have grown since the last search
  SearchFeed feed(
      [this, &portfolioDir](const SearchFeedBatch& batch) { ShowBatch(portfolioDir, batch); });
  FeedPrompt prompt(*context_.prompt, feed);
  std::vector<SplitCandidate> found;
  const SplitSearchRun run =
      RunSplitSearch(portfolioDir, symbols, found_, prompt, [&](const SplitCandidate& candidate) {
        found.push_back(candidate);
        feed.Candidate(candidate);
      });
  feed.Flush();
  Rank(portfolioDir, symbols, run, found);
  searching_ = false;
  UpdateButtons();
}

void SplitSearchWindow::Rank(const std::string& portfolioDir,
                             const std::vector<std::string>& symbols, const SplitSearchRun& run,
                             const std::vector<SplitCandidate>& found) {
  std::vector<RankedSplit> ranked;
  {
    WaitCursor wait(*context_.prompt);
    ranked = RankSearchRun(portfolioDir, symbols, run, found);
  }
  count_->setText(FoundAndLikelyText(run.candidatesFound, CountLikelySplits(ranked)));
  // Merged into the earlier searches' lines by weight; equal weights keep the earlier first.
  std::vector<RankedLine> lines, all;
  for (RankedSplit& line : ranked) lines.push_back({portfolioDir, std::move(line)});
  all.reserve(ranking_.size() + lines.size());
  std::merge(std::make_move_iterator(ranking_.begin()), std::make_move_iterator(ranking_.end()),
             std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()),
             std::back_inserter(all), [](const RankedLine& a, const RankedLine& b) {
               return a.ranked.evidence.weight > b.ranked.evidence.weight;
             });
  ranking_ = std::move(all);
  FillRanked();
}

void SplitSearchWindow::FillRanked() {
  ranked_->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(ranking_.size()));
  for (const RankedLine& line : ranking_) {
    auto* item =
        new QTreeWidgetItem({DataText(line.ranked.Line()), QString::number(line.ranked.score),
                             DataText(line.ranked.reason)});
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    item->setToolTip(2, DataText(line.ranked.reason));
    items.append(item);
  }
  ranked_->addTopLevelItems(items);
  ranked_->resizeColumnToContents(0);
  ranked_->resizeColumnToContents(1);
}

void SplitSearchWindow::ShowBatch(const std::string& portfolioDir, const SearchFeedBatch& batch) {
  if (!batch.candidates.empty()) {
    // The list has a line (and a place) for every result before this batch; the batch's
    // lines are the results after those, already formatted.
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(batch.candidates.size()));
    auto line = found_.Lines().begin() + static_cast<std::ptrdiff_t>(places_.size());
    for (const SplitCandidate& candidate : batch.candidates) {
      lines.append(DataText(*line++));
      places_.push_back({portfolioDir, candidate});
    }
    results_->addItems(lines);
    saveAs_->setEnabled(true);
    // The list lays its lines out from the event loop, which a search does not return to;
    // lines below a full list wait for that.
    if (!listFull_) {
      results_->doItemsLayout();
      const QRect last = results_->visualItemRect(results_->item(results_->count() - 1));
      listFull_ = last.bottom() >= results_->viewport()->height();
    }
  }
  if (!batch.status.empty()) status_->setText(DataText(batch.status));
  count_->setText(FoundText(batch.found));
  // What changed is painted now, in one pass, without running the event loop.
  QCoreApplication::sendPostedEvents(this, QEvent::UpdateRequest);
}

bool SplitSearchWindow::ShowPlace(const Place& place) {
  Browser& browser = *context_.browser;
  const SplitCandidate& candidate = place.candidate;
  // The row must still hold the symbol searched: MASTER may have changed since.
  const bool shown =
      browser.State().symbols.CellText(candidate.symbolIndex, 0) == candidate.symbol &&
      browser.SelectSymbolAndQuote(place.portfolioDir, candidate.symbolIndex, candidate.quoteIndex);
  if (!shown) {
    context_.prompt->Beep(BeepKind::Default);
    return false;
  }
  if (context_.refresh) context_.refresh();
  return true;
}

std::optional<SplitSearchWindow::Place> SplitSearchWindow::SelectedPlace() const {
  if (mostLikelyFirst_->isChecked()) {
    QTreeWidgetItem* item = ranked_->currentItem();
    const int line = ranked_->indexOfTopLevelItem(item);
    if (!item || !item->isSelected() || line < 0 || line >= static_cast<int>(ranking_.size()))
      return std::nullopt;
    const RankedLine& ranked = ranking_[static_cast<std::size_t>(line)];
    return Place{ranked.portfolioDir, ranked.ranked.candidate};
  }
  const QListWidgetItem* item = results_->currentItem();
  const int line = results_->currentRow();
  if (!item || !item->isSelected() || line < 0 || line >= static_cast<int>(places_.size()))
    return std::nullopt;
  return places_[static_cast<std::size_t>(line)];
}

void SplitSearchWindow::EnterSplit() {
  if (searching_ || !enterSplitRequest_) return;
  const std::optional<Place> place = SelectedPlace();
  if (!place || !ShowPlace(*place)) return;
  const SplitCandidate& candidate = place->candidate;
  enterSplitRequest_(FormatUserDate(candidate.day), std::to_string(candidate.ratio.p),
                     std::to_string(candidate.ratio.q));
}

void SplitSearchWindow::UpdateButtons() {
  enterSplit_->setEnabled(!searching_ && SelectedPlace().has_value());
}

void SplitSearchWindow::SaveAs() {
  const std::optional<std::string> path =
      AskSaveTextFile(context_, this, "result", /*confirmReplace=*/true);
  if (!path) return;
  bool saved = false;
  {
    WaitCursor wait(*context_.prompt);
    saved = SaveSplitResults(*path, found_);
  }
  if (!saved)
    context_.prompt->ShowMessage(SaveSplitResultsFailedMessage(*path), MessageIcon::Default);
}

void SplitSearchWindow::done(int result) {
  if (searching_) return;  // the search's own loop is still using the window
  context_.browser->SetSplitSearchOpen(false);
  if (context_.refresh) context_.refresh();
  QDialog::done(result);
}

void SplitSearchWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!centred_) CentreOnScreen();
}

void SplitSearchWindow::CentreOnScreen() {
  centred_ = true;
  const QScreen* shown = screen();
  if (!shown) return;
  const QRect area = shown->availableGeometry();
  // No wider or taller than the screen, whatever the fonts and scale make of its size.
  const QSize frame = frameGeometry().size() - size();
  resize(size().boundedTo(area.size() - frame));
  move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

}  // namespace voltrim
