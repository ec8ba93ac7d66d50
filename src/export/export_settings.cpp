#include "export/export_settings.h"

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {

namespace {

constexpr std::array<const char*, kExportValueColumns> kOmitKeys = {
    settings::kOmitOpen,  settings::kOmitHigh, settings::kOmitLow,
    settings::kOmitClose, settings::kOmitVol,  settings::kOmitOI};

}  // namespace

ExportSettings LoadExportSettings(const SettingsStore& store) {
  const ExportSettings defaults;
  ExportSettings loaded;
  loaded.fileName = store.GetString(settings::kXportSel, settings::kStarter, defaults.fileName);
  for (std::size_t i = 0; i < kOmitKeys.size(); ++i) {
    loaded.omit[i] = store.GetInt(settings::kXportSel, kOmitKeys[i], defaults.omit[i]);
  }
  loaded.newest = store.GetInt(settings::kXportSel, settings::kNewest, defaults.newest);
  loaded.delimiter = store.GetInt(settings::kXportSel, settings::kDelim, defaults.delimiter);
  loaded.title = store.GetInt(settings::kXportSel, settings::kTitle, defaults.title);
  loaded.format = store.GetInt(settings::kXportSel, settings::kFormat, defaults.format);
  return loaded;
}

void SaveExportSettings(SettingsStore& store, const ExportSettings& chosen) {
  store.SetString(settings::kXportSel, settings::kStarter, chosen.fileName);
  for (std::size_t i = 0; i < kOmitKeys.size(); ++i) {
    store.SetInt(settings::kXportSel, kOmitKeys[i], chosen.omit[i]);
  }
  store.SetInt(settings::kXportSel, settings::kNewest, chosen.newest);
  store.SetInt(settings::kXportSel, settings::kDelim, chosen.delimiter);
  store.SetInt(settings::kXportSel, settings::kTitle, chosen.title);
  store.SetInt(settings::kXportSel, settings::kFormat, chosen.format);
}

}  // namespace voltrim
