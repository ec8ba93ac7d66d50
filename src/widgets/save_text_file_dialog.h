#pragma once

#include <optional>
#include <string>

#include "widgets/command_context.h"

namespace voltrim {

// The save-file dialog of the text files the program writes: "Text Files (*.txt)" or
// "All Files", extension "txt" added to a bare name, starting at initialName. With
// confirmReplace an existing file is replaced only after the user says so; No goes back
// to the dialog. Returns the chosen path, or nothing when the user cancels.
std::optional<std::string> AskSaveTextFile(const CommandContext& context, QWidget* parent,
                                           const std::string& initialName, bool confirmReplace);

}  // namespace voltrim
