#pragma once

#include <QDialog>

class QLabel;

namespace voltrim {

// "Searching for Master Files": shown while a drive is walked, with the folder being
// examined and the number of MASTER files found. It has no buttons and cannot be closed
// by the user. The walk runs on a worker thread, so the box paints like any window.
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
};

}  // namespace voltrim
