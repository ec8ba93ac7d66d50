#pragma once

#include <QCoreApplication>
#include <QRect>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace voltrim {

// Help Topics: the user manual. Escape and Ctrl+W close it.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  HelpWindow(QWidget* parent, const QUrl& manual);
  QTextBrowser* Browser() const { return browser_; }

  // The manual installed beside the program (the documentation folder of the prefix its
  // folder belongs to) when it is there, else the copy built into the program, so that a
  // program run from its build folder or copied alone still has its manual.
  static QUrl ManualUrl(const QString& programDir = QCoreApplication::applicationDirPath());

  // Where a window of `size` stands beside `mainFrame` on `screen`: to its right when it
  // fits there, else to its left, else against the screen's right edge; its top at the
  // main window's top, kept on the screen.
  static QRect BesideRect(const QRect& mainFrame, const QSize& size, const QRect& screen);

 private:
  QTextBrowser* browser_;
};

}  // namespace voltrim
