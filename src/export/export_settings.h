#pragma once

#include <array>
#include <string>

namespace voltrim {

class SettingsStore;

// The value columns of an export, in output order after DATE.
enum class ExportColumn : int { Open = 0, High, Low, Close, Volume, OpenInterest };
inline constexpr int kExportValueColumns = 6;

// The Export dialog's choices, kept in the "XportSel" section. Values are kept as stored:
// a flag counts as set when it is not 0, and a delimiter other than 1 or 2 means space.
struct ExportSettings {
  std::string fileName = "output.txt";
  std::array<int, kExportValueColumns> omit{};  // indexed by ExportColumn
  int newest = 0;
  int delimiter = 0;  // 0 space, 1 comma, 2 tab
  int title = 0;
  int format = 0;  // 0 the delimited text, 1 CSV (as voltrim-cli export --format csv)

  bool Omits(ExportColumn column) const { return omit[static_cast<std::size_t>(column)] != 0; }
  bool NewestFirst() const { return newest != 0; }
  bool WithTitle() const { return title != 0; }
  bool Csv() const { return format == 1; }
  // Inline, so that the export's writer needs nothing of the settings' storage.
  char DelimiterChar() const { return delimiter == 1 ? ',' : delimiter == 2 ? '\t' : ' '; }
};

ExportSettings LoadExportSettings(const SettingsStore& store);
void SaveExportSettings(SettingsStore& store, const ExportSettings& chosen);

}  // namespace voltrim
