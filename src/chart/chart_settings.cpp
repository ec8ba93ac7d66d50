#include "chart/chart_settings.h"

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {

bool LoadChartShown(const SettingsStore& settings) {
  return settings.GetInt(settings::kChart, settings::kChartShown, settings::kChartShownDefault) !=
         0;
}

void SaveChartShown(SettingsStore& settings, bool shown) {
  settings.SetInt(settings::kChart, settings::kChartShown, shown ? 1 : 0);
}

}  // namespace voltrim
