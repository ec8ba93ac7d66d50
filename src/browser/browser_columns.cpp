#include "browser/browser_columns.h"

#include <cstddef>
#include <string>

#include "settings/settings_keys.h"

namespace voltrim {

namespace {

std::string ColumnKey(std::size_t column) { return "col" + std::to_string(column); }

// Saved widths that would hide a column (zero or negative) or push one out of the grid
// fall back to an even share; the sum is taken in 64 bits so huge values cannot wrap.
template <std::size_t N>
std::array<int, N> LoadWidths(const SettingsStore& settings, const char* section, int clientWidth,
                              int shareNumerator, int shareDenominator) {
  const int share = clientWidth * shareNumerator / shareDenominator;
  std::array<int, N> widths{};
  long long sum = 0;
  bool sound = true;
  for (std::size_t i = 0; i < N; ++i) {
    widths[i] = settings.GetInt(section, ColumnKey(i), share);
    if (widths[i] <= 0 || widths[i] > clientWidth) sound = false;
    sum += widths[i];
  }
  if (sum > clientWidth) sound = false;
  if (!sound) widths.fill(share);
  return widths;
}

template <std::size_t N>
void SaveWidths(SettingsStore& settings, const char* section, const std::array<int, N>& widths) {
  for (std::size_t i = 0; i < N; ++i) settings.SetInt(section, ColumnKey(i), widths[i]);
}

}  // namespace

SymbolColumnWidths LoadSymbolColumnWidths(const SettingsStore& settings, int clientWidth) {
  return LoadWidths<2>(settings, settings::kSymbolGrid, clientWidth, 9, 20);
}

QuoteColumnWidths LoadQuoteColumnWidths(const SettingsStore& settings, int clientWidth) {
  return LoadWidths<7>(settings, settings::kQuoteGrid, clientWidth, 9, 70);
}

void SaveColumnWidths(SettingsStore& settings, const SymbolColumnWidths& symbols,
                      const QuoteColumnWidths& quotes) {
  SaveWidths(settings, settings::kSymbolGrid, symbols);
  SaveWidths(settings, settings::kQuoteGrid, quotes);
}

SymbolDetailWidths LoadSymbolDetailWidths(const SettingsStore& settings, int clientWidth,
                                          int fitted) {
  SymbolDetailWidths widths{};
  for (std::size_t i = 0; i < widths.size(); ++i) {
    const int width = settings.GetInt(settings::kSymbolGrid, ColumnKey(i + 2), fitted);
    widths[i] = width <= 0 || width > clientWidth ? fitted : width;
  }
  return widths;
}

void SaveSymbolDetailWidths(SettingsStore& settings, const SymbolDetailWidths& widths) {
  for (std::size_t i = 0; i < widths.size(); ++i)
    settings.SetInt(settings::kSymbolGrid, ColumnKey(i + 2), widths[i]);
}

int LoadTimeColumnWidth(const SettingsStore& settings, int clientWidth, int fitted) {
  const int width = settings.GetInt(settings::kQuoteGrid, settings::kTimeColumn, fitted);
  return width <= 0 || width > clientWidth ? fitted : width;
}

void SaveTimeColumnWidth(SettingsStore& settings, int width) {
  settings.SetInt(settings::kQuoteGrid, settings::kTimeColumn, width);
}

}  // namespace voltrim
