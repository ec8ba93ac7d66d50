#include "widgets/dialog_frame.h"

#include <QDialog>
#include <QLayout>
#include <QMessageBox>

namespace voltrim {

void FixDialogFrame(QDialog& dialog) {
  const Qt::WindowFlags flags = dialog.windowFlags();
  const Qt::WindowFlags fixed = (flags & ~(Qt::WindowMinMaxButtonsHint)) | Qt::Dialog |
                                Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
  if (fixed != flags) dialog.setWindowFlags(fixed);
  dialog.setSizeGripEnabled(false);
  // A message box fits itself to its text and is fixed already.
  if (qobject_cast<QMessageBox*>(&dialog)) return;
  if (QLayout* layout = dialog.layout()) {
    layout->setSizeConstraint(QLayout::SetFixedSize);
  } else {
    dialog.setFixedSize(dialog.sizeHint());
  }
}

}  // namespace voltrim
