#pragma once

#include <QDialog>

#include "import/update_command.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QTableWidget;

namespace voltrim {

// "Update Portfolio": what an update from the sources would do before anything is written:
// one row per symbol (where its series is, its new, unchanged and differing quotes, or that
// it is unknown and whether it will be created), the totals, and the choices: what becomes
// of quotes held with other values, and whether unknown symbols become new series. OK
// writes.
class UpdatePreviewDialog : public QDialog {
  Q_OBJECT
 public:
  // planned: the update planned with unknown symbols created (when createPossible) and
  // differing quotes kept, so that every row has its counts.
  UpdatePreviewDialog(const std::string& portfolioDir, const UpdateResult& planned,
                      bool createPossible, QWidget* parent);

  ImportOverlap Overlap() const;
  bool Create() const;

  QTableWidget* Rows() const { return rows_; }
  QLabel* Totals() const { return totals_; }
  QCheckBox* CreateBox() const { return create_; }
  QRadioButton* ReplaceButton() const { return replace_; }

 private:
  QTableWidget* rows_;
  QLabel* totals_;
  QCheckBox* create_;
  QRadioButton* replace_;
  QRadioButton* keep_;
};

}  // namespace voltrim
