#pragma once

#include <functional>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace voltrim {

// The folder chooser: folders only, starting at startFolder (the home folder when that is
// not a folder). Runs through `run` (the main window's dialog runner, which tests fill in).
// Returns the chosen folder, or nothing when the user cancels.
std::optional<std::string> AskFolder(const std::function<int(QDialog&)>& run, QWidget* parent,
                                     const std::string& startFolder);

}  // namespace voltrim
