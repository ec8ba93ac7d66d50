#pragma once

#include <functional>
#include <string>

#include "widgets/command_context.h"

namespace voltrim {

// Quotes > Split on the current quote with its dialog filled in with a date, new shares and
// old shares instead of the current date and 1 for 1: the user checks and confirms them, and
// the command's own checks and write follow.
using FilledSplit = std::function<void(const std::string& date, const std::string& newShares,
                                       const std::string& oldShares)>;

// Wires Quotes > Edit, Split, Adjust, Add and Delete to their windows; returns the split
// with its dialog filled in, for other windows to offer.
FilledSplit InstallQuoteCommands(const CommandContext& context,
                                 const RegisterCommand& registerCommand);

}  // namespace voltrim
