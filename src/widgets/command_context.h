#pragma once

#include <functional>

class QDialog;
class QWidget;

namespace voltrim {

class Browser;
class QtPrompt;
class SettingsStore;

// What a command's window needs from the main window: the browser whose state it reads and
// changes, the settings, the prompt, the owner of its dialogs, and how a modal dialog is run
// (tests fill dialogs in through their own runner).
struct CommandContext {
  QWidget* window = nullptr;
  Browser* browser = nullptr;
  SettingsStore* settings = nullptr;
  QtPrompt* prompt = nullptr;
  std::function<int(QDialog&)> runDialog;
  // Re-reads enabling, title and panes after a window changed the browser's state.
  std::function<void()> refresh;
};

// Registers a command's handler with the main window; a command without one stays disabled.
using RegisterCommand = std::function<void(int commandId, std::function<void()> handler)>;

}  // namespace voltrim
