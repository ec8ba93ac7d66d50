#pragma once

#include <optional>
#include <string>

#include "widgets/command_context.h"

namespace voltrim {

// A kind of file the save dialog offers: its extension and the filter that shows it.
struct SaveFileKind {
  const char* suffix;
  const char* filter;
};
inline constexpr SaveFileKind kTextFiles{"txt", "Text Files (*.txt)"};
inline constexpr SaveFileKind kCsvFiles{"csv", "CSV Files (*.csv)"};

// The save-file dialog of the text files the program writes: "Text Files (*.txt)" (or the
// kind given) or "All Files", its extension added to a bare name, starting at initialName.
// With confirmReplace an existing file is replaced only after the user says so; No goes
// back to the dialog. Returns the chosen path, or nothing when the user cancels.
std::optional<std::string> AskSaveTextFile(const CommandContext& context, QWidget* parent,
                                           const std::string& initialName, bool confirmReplace,
                                           const SaveFileKind& kind = kTextFiles);

}  // namespace voltrim
