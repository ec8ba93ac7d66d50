#pragma once

#include <QDialog>

#include <string>

#include "import/import_command.h"

class QLabel;
class QRadioButton;
class QTableWidget;

namespace voltrim {

// "Import Quotes": what an import of the file would do before anything is written: the
// file's columns as read and what becomes of them, its first quotes as the series will
// store them, how many dates are new, unchanged or held with other values, and the choice
// for the last (the stored quotes are kept unless the user says otherwise). OK imports.
class ImportPreviewDialog : public QDialog {
  Q_OBJECT
 public:
  struct Target {
    std::string file;
    std::string symbol;
    std::string portfolioDir;
  };
  ImportPreviewDialog(const Target& target, const ImportText& text, const ImportPreview& preview,
                      QWidget* parent);

  ImportOverlap Overlap() const;

  QLabel* Counts() const { return counts_; }
  QLabel* Columns() const { return columns_; }
  QTableWidget* Rows() const { return rows_; }
  QRadioButton* ReplaceButton() const { return replace_; }
  QRadioButton* KeepButton() const { return keep_; }

 private:
  QLabel* counts_;
  QLabel* columns_;
  QTableWidget* rows_;
  QRadioButton* replace_;
  QRadioButton* keep_;
};

// The columns of the file as the dialog lists them: each header name, or without a header
// what the column is read as ("column 9" for one read as nothing).
std::string ImportColumnsText(const ImportText& text);

}  // namespace voltrim
