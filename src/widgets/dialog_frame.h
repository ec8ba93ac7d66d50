#pragma once

class QDialog;

namespace voltrim {

// A dialog whose size is its layout's: a window manager then offers no resizing and no
// maximise button, and it gets no minimise button either.
void FixDialogFrame(QDialog& dialog);

}  // namespace voltrim
