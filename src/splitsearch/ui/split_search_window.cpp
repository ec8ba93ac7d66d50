#include "splitsearch/ui/split_search_window.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

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

QPushButton* Button(const char* text, const char* objectName, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(objectName));
  button->setAutoDefault(false);
  return button;
}

}  // namespace

SplitSearchWindow::SplitSearchWindow(const CommandContext& context)
    : QDialog(context.window), context_(context) {
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
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { ShowCandidate(results_->row(item)); });
  auto* statusLine = new QHBoxLayout;
  statusLine->addWidget(status_, 1);
  statusLine->addWidget(count_);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addLayout(statusLine);
  groupLayout->addWidget(results_, 1);
  auto* caution =
      new QLabel(QStringLiteral("Search results should be confirmed before editing data."), this);
  caution->setWordWrap(true);

  search_ = Button("Search", "search", this);
  search_->setDefault(true);
  saveAs_ = Button("Save As...", "saveAs", this);
  saveAs_->setEnabled(false);
  close_ = Button("Close", "close", this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(search_);
  buttons->addWidget(saveAs_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  connect(search_, &QPushButton::clicked, this, &SplitSearchWindow::Search);
  connect(saveAs_, &QPushButton::clicked, this, &SplitSearchWindow::SaveAs);
  connect(close_, &QPushButton::clicked, this, &SplitSearchWindow::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group, 1);
  layout->addWidget(caution);
  layout->addLayout(buttons);
  // Room for a dozen lines of the longest symbols without scrolling sideways.
  resize(DialogUnits(*this, 240, 210));
}

void SplitSearchWindow::Search() {
  // A box shown during a search lets events through; a press then must not start another.
  if (searching_) return;
  searching_ = true;
  const BrowserState& state = context_.browser->State();
  const std::string portfolioDir = state.portfolioDir;
  std::vector<std::string> symbols;
  for (const SymbolRow& row : state.symbols.rows) symbols.push_back(row.symbol);
  count_->setText(FoundText(0));
  listFull_ = false;  // the window may have grown since the last search
  SearchFeed feed(
      [this, &portfolioDir](const SearchFeedBatch& batch) { ShowBatch(portfolioDir, batch); });
  FeedPrompt prompt(*context_.prompt, feed);
  RunSplitSearch(portfolioDir, symbols, found_, prompt,
                 [&feed](const SplitCandidate& candidate) { feed.Candidate(candidate); });
  feed.Flush();
  searching_ = false;
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
      places_.push_back(
          {portfolioDir, candidate.symbol, candidate.symbolIndex, candidate.quoteIndex});
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

void SplitSearchWindow::ShowCandidate(int line) {
  if (searching_ || line < 0 || line >= static_cast<int>(places_.size())) return;
  const Place& place = places_[static_cast<std::size_t>(line)];
  Browser& browser = *context_.browser;
  // The row must still hold the symbol searched: MASTER may have changed since.
  const bool shown =
      browser.State().symbols.CellText(place.symbolRow, 0) == place.symbol &&
      browser.SelectSymbolAndQuote(place.portfolioDir, place.symbolRow, place.quoteIndex);
  if (!shown) {
    context_.prompt->Beep(BeepKind::Default);
    return;
  }
  if (context_.refresh) context_.refresh();
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
  move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

}  // namespace voltrim
