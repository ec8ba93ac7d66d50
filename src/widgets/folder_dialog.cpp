#include "widgets/folder_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "widgets/qt_text.h"

namespace voltrim {

std::optional<std::string> AskFolder(const std::function<int(QDialog&)>& run, QWidget* parent,
                                     const std::string& startFolder) {
  QString start = PathText(startFolder);
  if (start.isEmpty() || !QFileInfo(start).isDir()) start = QDir::homePath();
  QFileDialog dialog(parent, QStringLiteral("Choose a Folder"), start);
  dialog.setObjectName(QStringLiteral("folderDialog"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (run(dialog) != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return PathText(QDir::cleanPath(chosen.front()));
}

}  // namespace voltrim
