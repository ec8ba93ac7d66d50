#include "app/help_window.h"

#include <algorithm>

#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace voltrim {
namespace {

constexpr int kTextMargin = 14;  // pixels around the manual's text

}  // namespace

QString HelpWindow::ManualUrl() { return QStringLiteral("qrc:/manual/manual.html"); }

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(QStringLiteral("Voltrim Help"));
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);
  browser_->document()->setDocumentMargin(kTextMargin);
  browser_->setSource(QUrl(ManualUrl()));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  for (const QKeySequence& keys :
       {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &QWidget::close);
  }
  resize(640, 560);
}

QRect HelpWindow::BesideRect(const QRect& mainFrame, const QSize& size, const QRect& screen) {
  int x = mainFrame.right() + 1;
  if (x + size.width() > screen.right() + 1) {
    x = mainFrame.left() - size.width();
    if (x < screen.left()) x = screen.right() + 1 - size.width();
  }
  x = std::max(x, screen.left());
  int y = std::min(mainFrame.top(), screen.bottom() + 1 - size.height());
  y = std::max(y, screen.top());
  return QRect(QPoint(x, y), size);
}

}  // namespace voltrim
