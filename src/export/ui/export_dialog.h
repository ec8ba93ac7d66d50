#pragma once

#include <QDialog>

#include <array>
#include <string>
#include <vector>

#include "export/export_settings.h"
#include "widgets/command_context.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace voltrim {

// "Export": the file name and the format, column, delimiter, order and title choices. A
// stored delimiter, order or format outside the choices shows no button checked and is
// kept unless the user picks one. A name without a folder means the user's documents
// folder. CSV has its own delimiter and header row: those choices are greyed for it.
// Several symbols ("Export Symbols") are counted and listed above: they go to one file.
class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  ExportDialog(const ExportSettings& stored, const CommandContext& context,
               const std::vector<std::string>& symbols = {});

  ExportSettings Chosen() const;

  QLineEdit* FileEdit() const { return file_; }
  QCheckBox* OmitBox(ExportColumn column) const { return omit_[static_cast<std::size_t>(column)]; }
  // 0 space, 1 comma, 2 tab.
  QRadioButton* DelimiterButton(int delimiter) const;
  // 0 oldest first, 1 newest first.
  QRadioButton* OrderButton(int newest) const;
  // 0 text, 1 CSV.
  QRadioButton* FormatButton(int format) const;
  QCheckBox* TitleBox() const { return title_; }

 public Q_SLOTS:
  void Browse();

 private:
  QWidget* BuildFileRow();
  QWidget* BuildFormatGroup();
  // Greys what CSV does not use and gives the file the format's extension.
  void FormatChosen(int format);
  QWidget* BuildOmitGroup();
  QWidget* BuildDelimiterGroup();
  QWidget* BuildOrderGroup();
  QWidget* BuildTitleGroup();

  ExportSettings stored_;
  CommandContext context_;
  std::string folder_;  // where a name without a folder goes
  QLineEdit* file_ = nullptr;
  std::array<QCheckBox*, kExportValueColumns> omit_{};
  QButtonGroup* delimiter_ = nullptr;
  QButtonGroup* order_ = nullptr;
  QButtonGroup* format_ = nullptr;
  QCheckBox* title_ = nullptr;
  QWidget* delimiterGroup_ = nullptr;
  QWidget* titleGroup_ = nullptr;
};

}  // namespace voltrim
