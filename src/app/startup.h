#pragma once

#include <string>

namespace voltrim {

class SettingsStore;

// Binds the store to the settings file and, when that file is new, seeds it from the
// machine-wide initialisation file. A store that cannot be written still serves defaults.
void OpenSettings(SettingsStore& settings, const std::string& path, const std::string& seedPath);

}  // namespace voltrim
