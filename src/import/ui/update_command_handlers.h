#pragma once

#include <string>
#include <vector>

#include "widgets/command_context.h"

namespace voltrim {

// Wires Portfolio > Update from File and Update from Folder to their windows, and lets a
// file dropped on the symbols grid (the widget named "symbolsGrid") open the update's
// preview.
void InstallUpdateCommands(const CommandContext& context, const RegisterCommand& registerCommand);

// The update after its sources were chosen (or dropped): reads them, shows the preview and
// on OK writes with a progress bar that can be cancelled, then refills the grids and tells
// the totals.
void UpdateFromSources(const CommandContext& context, const std::vector<std::string>& paths);

}  // namespace voltrim
