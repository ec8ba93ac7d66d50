#include "widgets/dialog_frame.h"

#include <QDialog>
#include <QFileDialog>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>

namespace voltrim {

void FixDialogFrame(QDialog& dialog) {
  const Qt::WindowFlags flags = dialog.windowFlags();
  const Qt::WindowFlags fixed = (flags & ~(Qt::WindowMinMaxButtonsHint)) | Qt::Dialog |
                                Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
  if (fixed != flags) dialog.setWindowFlags(fixed);
  // A file dialog is for browsing: it keeps its size grip and its resizing, but never
  // opens larger than the screen it is on.
  if (qobject_cast<QFileDialog*>(&dialog)) {
    const QScreen* screen = dialog.screen();
    if (!screen) return;
    const QSize room = screen->availableGeometry().size() * 9 / 10;
    dialog.setMaximumSize(screen->availableGeometry().size());
    dialog.resize(dialog.sizeHint().boundedTo(room));
    return;
  }
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
