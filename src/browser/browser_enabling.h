#pragma once

#include <string>
#include <vector>

#include "browser/browser_state.h"

namespace voltrim {

// Whether a command may run in this state. Commands the browser has no rule for (the
// framework's Exit, View and Help items, Search Filter, ReScan) are always enabled.
bool IsCommandEnabled(const BrowserState& state, int commandId);

// Every browser command that IsCommandEnabled allows, ascending by id.
std::vector<int> EnabledBrowserCommands(const BrowserState& state);

// Status-bar panes: "Symbol %d of %d" / "No Symbols Read", "Quote %d of %d" / "No Quotes Read".
std::string SymbolPaneText(const BrowserState& state);
std::string QuotePaneText(const BrowserState& state);
// The texts whose width sizes the two panes.
inline constexpr char kSymbolPaneSizingText[] = "Symbols: xxxxxxxxxxxxxxxx";
inline constexpr char kQuotePaneSizingText[] = "Quotes: xxxxxxxxxxxxxxxx";

}  // namespace voltrim
