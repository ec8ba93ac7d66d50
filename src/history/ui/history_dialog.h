#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "history/history_steps.h"

class QPushButton;
class QTreeWidget;

namespace voltrim {

// Edit > History...: the portfolio's changes, newest first, with "Undo to Here" and "Redo to
// Here". A step is run by the caller (stepTo), which shows what it has to say and refills
// the window; the list is then read again.
class HistoryDialog : public QDialog {
  Q_OBJECT
 public:
  using ReadRows = std::function<std::vector<HistoryRow>()>;
  using StepTo = std::function<void(HistoryStep step, int number)>;

  HistoryDialog(const std::string& folder, ReadRows readRows, StepTo stepTo,
                QWidget* parent = nullptr);

  QTreeWidget* List() const { return list_; }
  QPushButton* UndoButton() const { return undo_; }
  QPushButton* RedoButton() const { return redo_; }
  // Reads the history again, keeping the selected change selected where it still is.
  void Reload();

 private:
  void UpdateButtons();
  void Step(HistoryStep step);

  ReadRows readRows_;
  StepTo stepTo_;
  std::vector<HistoryRow> rows_;
  QTreeWidget* list_ = nullptr;
  QPushButton* undo_ = nullptr;
  QPushButton* redo_ = nullptr;
};

}  // namespace voltrim
