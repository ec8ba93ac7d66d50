#pragma once

#include <QDialog>

#include <array>

#include "export/export_settings.h"
#include "widgets/command_context.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace voltrim {

// "Export": the file name and the column, delimiter, order and title choices. A stored
// delimiter or order outside the choices shows no button checked and is kept unless the
// user picks one.
class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  ExportDialog(const ExportSettings& stored, const CommandContext& context);

  ExportSettings Chosen() const;

  QLineEdit* FileEdit() const { return file_; }
  QCheckBox* OmitBox(ExportColumn column) const { return omit_[static_cast<std::size_t>(column)]; }
  // 0 space, 1 comma, 2 tab.
  QRadioButton* DelimiterButton(int delimiter) const;
  // 0 oldest first, 1 newest first.
  QRadioButton* OrderButton(int newest) const;
  QCheckBox* TitleBox() const { return title_; }

 public Q_SLOTS:
  void Browse();

 private:
  QWidget* BuildFileRow();
  QWidget* BuildOmitGroup();
  QWidget* BuildDelimiterGroup();
  QWidget* BuildOrderGroup();
  QWidget* BuildTitleGroup();

  ExportSettings stored_;
  CommandContext context_;
  QLineEdit* file_ = nullptr;
  std::array<QCheckBox*, kExportValueColumns> omit_{};
  QButtonGroup* delimiter_ = nullptr;
  QButtonGroup* order_ = nullptr;
  QCheckBox* title_ = nullptr;
};

}  // namespace voltrim
