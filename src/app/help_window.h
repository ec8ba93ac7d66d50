#pragma once

#include <QWidget>

class QTextBrowser;

namespace voltrim {

// Help Topics: the user manual that ships inside the program.
class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  QTextBrowser* Browser() const { return browser_; }

  static QString ManualUrl();

 private:
  QTextBrowser* browser_;
};

}  // namespace voltrim
