#pragma once

namespace voltrim {

class SettingsStore;

// Whether the chart pane is shown (View > Chart); shown until the user hides it.
bool LoadChartShown(const SettingsStore& settings);
void SaveChartShown(SettingsStore& settings, bool shown);

}  // namespace voltrim
