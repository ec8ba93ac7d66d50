#include "app/help_window.h"

#include <algorithm>

#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// Where the installed manual lies as seen from the installed program's folder; the build
// defines it from the install folders.
#ifndef VOLTRIM_MANUAL_FROM_PROGRAM
#define VOLTRIM_MANUAL_FROM_PROGRAM "../share/doc/voltrim/manual.html"
#endif

namespace voltrim {
namespace {

constexpr int kTextMargin = 14;  // pixels around the manual's text

}  // namespace

QUrl HelpWindow::ManualUrl(const QString& programDir) {
  const QFileInfo installed(programDir + QStringLiteral("/" VOLTRIM_MANUAL_FROM_PROGRAM));
  if (installed.isFile()) return QUrl::fromLocalFile(installed.absoluteFilePath());
  return QUrl(QStringLiteral("qrc:/manual/manual.html"));
}

HelpWindow::HelpWindow(QWidget* parent) : HelpWindow(parent, ManualUrl()) {}

HelpWindow::HelpWindow(QWidget* parent, const QUrl& manual) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(QStringLiteral("Voltrim Help"));
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(true);
  browser_->document()->setDocumentMargin(kTextMargin);
  browser_->setSource(manual);
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
