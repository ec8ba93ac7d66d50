#pragma once

#include <QRect>
#include <QWidget>

class QTextBrowser;

namespace voltrim {

// Help Topics: the user manual that ships inside the program. Escape and Ctrl+W close it.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  QTextBrowser* Browser() const { return browser_; }

  static QString ManualUrl();

  // Where a window of `size` stands beside `mainFrame` on `screen`: to its right when it
  // fits there, else to its left, else against the screen's right edge; its top at the
  // main window's top, kept on the screen.
  static QRect BesideRect(const QRect& mainFrame, const QSize& size, const QRect& screen);

 private:
  QTextBrowser* browser_;
};

}  // namespace voltrim
