// The main window's status bar: the message pane (or the fill's progress bar in its
// place) and the symbol and quote panes.
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

#include "app/main_window.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"

namespace voltrim {
namespace {

QLabel* StatusPane(const char* sizingText, QWidget* parent) {
  auto* pane = new QLabel(parent);
  pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  const int margins = 2 * (pane->frameWidth() + pane->margin()) + 6;
  pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(QString::fromLatin1(sizingText)) +
                      margins);
  return pane;
}

}  // namespace

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  messagePane_ = new QLabel(QStringLiteral("For Help, press F1"), bar);
  messagePane_->setObjectName(QStringLiteral("messagePane"));
  fillBar_ = new QProgressBar(bar);
  fillBar_->setObjectName(QStringLiteral("fillProgress"));
  fillBar_->setTextVisible(false);
  fillBar_->setMaximumHeight(messagePane_->sizeHint().height());
  fillBar_->hide();
  symbolPane_ = StatusPane(kSymbolPaneSizingText, bar);
  symbolPane_->setObjectName(QStringLiteral("symbolPane"));
  // With a filter set it also gives the total, and may need more room.
  symbolPane_->setMaximumWidth(QWIDGETSIZE_MAX);
  quotePane_ = StatusPane(kQuotePaneSizingText, bar);
  quotePane_->setObjectName(QStringLiteral("quotePane"));
  bar->addWidget(messagePane_, 1);
  bar->addWidget(fillBar_, 1);
  bar->addPermanentWidget(symbolPane_);
  bar->addPermanentWidget(quotePane_);
  // A prompt under the pointer takes the message pane's place, also when it comes before
  // the window is first shown (the status bar alone would show both, one over the other).
  connect(bar, &QStatusBar::messageChanged, this, [this](const QString& message) {
    messagePane_->setVisible(message.isEmpty() && fillBar_->isHidden());
  });

  QAction* showStatusBar = Action(command::kViewStatusBar);
  showStatusBar->setCheckable(true);
  showStatusBar->setChecked(true);
}

void MainWindow::ShowFillProgress(int done, int total) {
  if (total <= 0) {
    fillBar_->hide();
    messagePane_->setVisible(statusBar()->currentMessage().isEmpty());
    return;
  }
  if (fillBar_->isHidden()) {
    messagePane_->hide();
    fillBar_->show();
  }
  fillBar_->setRange(0, total);
  fillBar_->setValue(done);
}

void MainWindow::ShowStatusText(const QString& text) {
  if (text.isEmpty()) {
    statusBar()->clearMessage();
  } else {
    statusBar()->showMessage(text);
  }
}

}  // namespace voltrim
