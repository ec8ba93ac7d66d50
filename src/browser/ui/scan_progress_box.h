#pragma once

#include <QDialog>
#include <QElapsedTimer>

class QLabel;

namespace voltrim {

// "Searching for Master Files": shown while a drive is walked, with the folder being
// examined and the number of MASTER files found. It has no buttons and cannot be closed
// by the user; the walk does not return to the event loop, so it repaints itself.
class ScanProgressBox : public QDialog {
  Q_OBJECT
 public:
  explicit ScanProgressBox(QWidget* parent);

  void ShowProgress(const QString& path, int found);
  QString PathText() const;
  QString CountText() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QLabel* path_;
  QLabel* count_;
  QString fullPath_;
  int found_ = -1;
  QElapsedTimer sinceRepaint_;
};

}  // namespace voltrim
