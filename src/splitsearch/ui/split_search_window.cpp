#include "splitsearch/ui/split_search_window.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
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

// The main window's prompt for messages and sounds, but the search's progress goes to the
// window's own status text.
class SearchPrompt : public UserPrompt {
 public:
  SearchPrompt(UserPrompt& prompt, std::function<void(const std::string&)> status)
      : prompt_(prompt), status_(std::move(status)) {}
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    prompt_.ShowMessage(text, icon);
  }
  bool AskYesNo(const std::string& text) override { return prompt_.AskYesNo(text); }
  void Beep(BeepKind kind) override { prompt_.Beep(kind); }
  void BeginWait() override { prompt_.BeginWait(); }
  void EndWait() override { prompt_.EndWait(); }
  void ScanProgress(const std::string& path, int found) override {
    prompt_.ScanProgress(path, found);
  }
  void FillProgress(int done, int total) override { prompt_.FillProgress(done, total); }
  void StatusText(const std::string& text) override { status_(text); }

 private:
  UserPrompt& prompt_;
  std::function<void(const std::string&)> status_;
};

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
  results_ = new QListWidget(group);
  results_->setObjectName(QStringLiteral("results"));
  results_->setSortingEnabled(false);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(status_);
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
  SearchPrompt prompt(*context_.prompt, [this](const std::string& text) { ShowStatus(text); });
  RunSplitSearch(portfolioDir, symbols, found_, prompt,
                 [this](const SplitCandidate& candidate) { ListCandidate(candidate); });
  searching_ = false;
}

void SplitSearchWindow::ShowStatus(const std::string& text) {
  status_->setText(DataText(text));
  repaint();
}

void SplitSearchWindow::ListCandidate(const SplitCandidate& candidate) {
  results_->addItem(DataText(candidate.Line()));
  saveAs_->setEnabled(true);
  repaint();
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
