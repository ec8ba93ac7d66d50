#include "widgets/save_text_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

#include "widgets/qt_prompt.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

std::string ReplaceQuestion(const std::string& path) {
  return path + " already exists.\nDo you want to replace it?";
}

std::optional<std::string> ChooseFile(const CommandContext& context, QWidget* parent,
                                      const QString& initialName, const SaveFileKind& kind) {
  QFileDialog dialog(parent, QStringLiteral("Save As"));
  dialog.setObjectName(QStringLiteral("saveTextFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(QString::fromLatin1(kind.suffix));
  dialog.setNameFilters({QString::fromLatin1(kind.filter), QStringLiteral("All Files (*)")});
  // The replace question is asked below, through the program's own boxes.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.selectFile(initialName);
  if (context.runDialog(dialog) != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return PathText(chosen.front());
}

}  // namespace

std::optional<std::string> AskSaveTextFile(const CommandContext& context, QWidget* parent,
                                           const std::string& initialName, bool confirmReplace,
                                           const SaveFileKind& kind) {
  QString startAt = PathText(initialName);
  for (;;) {
    const std::optional<std::string> path = ChooseFile(context, parent, startAt, kind);
    if (!path || !confirmReplace || !QFileInfo::exists(PathText(*path))) return path;
    if (context.prompt->AskYesNo(ReplaceQuestion(*path))) return path;
    startAt = PathText(*path);
  }
}

}  // namespace voltrim
