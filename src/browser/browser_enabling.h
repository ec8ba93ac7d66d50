#pragma once

#include <string>
#include <vector>

#include "browser/browser_state.h"

namespace voltrim {

// Whether a command may run in this state. Every command but the framework's Exit, View
// and Help items waits for the browser's set-up and for a running scan to end; after that,
// commands the browser has no rule for (Search Filter, ReScan) are always enabled.
bool IsCommandEnabled(const BrowserState& state, int commandId);

// Every browser command that IsCommandEnabled allows, ascending by id.
std::vector<int> EnabledBrowserCommands(const BrowserState& state);

// Status-bar panes: "Symbol %d of %d" / "No Symbols Read", "Quote %d of %d" / "No Quotes Read".
// The symbol is counted where the grid shows it; with a filter set, "Symbol %d of %d (%d in
// all)" counts the rows shown, and "%d of %d symbols shown" stands while it hides the
// current row. Several rows selected: "%d of %d symbols selected".
std::string SymbolPaneText(const BrowserState& state);
std::string QuotePaneText(const BrowserState& state);
// The message pane when idle: "For Help, press F1", or what Enter does on a sub-folder's row.
std::string MessagePaneText(const BrowserState& state);
// The texts whose width sizes the two panes.
inline constexpr char kSymbolPaneSizingText[] = "Symbols: xxxxxxxxxxxxxxxx";
inline constexpr char kQuotePaneSizingText[] = "Quotes: xxxxxxxxxxxxxxxx";

}  // namespace voltrim
