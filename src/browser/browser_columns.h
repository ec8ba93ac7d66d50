#pragma once

#include <array>

#include "settings/settings_store.h"

namespace voltrim {

using SymbolColumnWidths = std::array<int, 2>;
using QuoteColumnWidths = std::array<int, 7>;

// Column widths for a grid whose client area is clientWidth pixels wide: the saved widths,
// unless one is 0 or wider than the grid or together they are wider than the grid; then
// every column gets the default (9/20 of the width per symbols column, 9/70 per quotes
// column).
SymbolColumnWidths LoadSymbolColumnWidths(const SettingsStore& settings, int clientWidth);
QuoteColumnWidths LoadQuoteColumnWidths(const SettingsStore& settings, int clientWidth);

// The symbols grid's First Date, Last Date and File columns (col2 to col4): each its saved
// width, unless that is 0 or wider than the grid; then `fitted`, the width its texts need.
// Symbol and Name share what these leave of the grid.
using SymbolDetailWidths = std::array<int, 3>;
SymbolDetailWidths LoadSymbolDetailWidths(const SettingsStore& settings, int clientWidth,
                                          int fitted);
void SaveSymbolDetailWidths(SettingsStore& settings, const SymbolDetailWidths& widths);

// Remembers the widths the headers show when the main window closes.
void SaveColumnWidths(SettingsStore& settings, const SymbolColumnWidths& symbols,
                      const QuoteColumnWidths& quotes);

// The quotes grid's Time column (series with a time of day): the saved width, unless it is
// 0 or wider than the grid; then `fitted`, the width its texts need, which the last column
// gives up so that the grid does not scroll sideways.
int LoadTimeColumnWidth(const SettingsStore& settings, int clientWidth, int fitted);
void SaveTimeColumnWidth(SettingsStore& settings, int width);

}  // namespace voltrim
