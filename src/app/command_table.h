#pragma once

#include <span>

namespace voltrim {

// Where a command appears in the main window.
enum class MenuName { Voltrim, Edit, View, Portfolio, Symbol, Quotes, Help };

// One menu item of the main window. A null text marks a separator in its menu.
struct CommandInfo {
  MenuName menu;
  int id = 0;
  const char* text = nullptr;       // with its mnemonic
  const char* shortcut = nullptr;   // key sequences in portable form (';' between), or null
  const char* prompt = nullptr;     // status-bar prompt, or null
  const char* toolTip = nullptr;    // or null
  const char* themeIcon = nullptr;  // freedesktop icon name, or null
  const char* ownIcon = nullptr;    // bundled icon used when the theme lacks one
};

// Every menu item in menu order.
std::span<const CommandInfo> MenuCommands();

// Toolbar buttons left to right; 0 marks a separator.
std::span<const int> ToolbarCommands();

// The item of a command id, or null.
const CommandInfo* FindCommand(int id);

const char* MenuTitle(MenuName menu);

}  // namespace voltrim
