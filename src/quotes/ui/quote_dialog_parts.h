#pragma once

#include <functional>

class QDialog;
class QDialogButtonBox;
class QGridLayout;
class QLabel;
class QString;
class QWidget;

namespace voltrim {

class UserPrompt;

// Pieces the quote dialogs share.

// OK (the default button) and Cancel, wired to the dialog's accept and reject.
QDialogButtonBox* OkCancelButtons(QDialog& dialog);

// A label in front of a field, which it names for the keyboard.
void AddLabelledRow(QGridLayout& grid, int row, const QString& label, QWidget* field);

// The default beep of the entry fields, through the program's prompt.
std::function<void()> EntryBeep(UserPrompt& prompt);

}  // namespace voltrim
