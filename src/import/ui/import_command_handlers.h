#pragma once

#include <string>

#include "widgets/command_context.h"

namespace voltrim {

// Wires Voltrim > New Portfolio and Quotes > Import to their windows, and lets a file
// dropped on the quotes grid (the widget named "quotesGrid" in the main window) open the
// import's preview.
void InstallImportCommands(const CommandContext& context, const RegisterCommand& registerCommand);

// Quotes > Import after the file was chosen (or dropped): reads it, shows the preview and
// on OK imports into the loaded series, then refills the quotes grid and tells the summary.
void ImportQuoteFile(const CommandContext& context, const std::string& path);

}  // namespace voltrim
