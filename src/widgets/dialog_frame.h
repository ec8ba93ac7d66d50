#pragma once

class QDialog;

namespace voltrim {

// A dialog whose size is its layout's: a window manager then offers no resizing and no
// maximise button, and it gets no minimise button either. A file dialog stays resizable
// but opens no larger than nine tenths of its screen.
void FixDialogFrame(QDialog& dialog);

}  // namespace voltrim
