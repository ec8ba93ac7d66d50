#pragma once

#include <QListWidget>

namespace voltrim {

// A list of folder paths that fits its width: a path too long for it is shortened in the
// middle, where folders differ least, and shown whole in its tool tip.
class PathList : public QListWidget {
  Q_OBJECT
 public:
  explicit PathList(QWidget* parent = nullptr);

  void SetPaths(const QStringList& paths);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

}  // namespace voltrim
