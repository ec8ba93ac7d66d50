#include "app/startup.h"

#include "settings/settings_store.h"

namespace voltrim {

void OpenSettings(SettingsStore& settings, const std::string& path, const std::string& seedPath) {
  const SettingsStore::OpenResult opened = settings.OpenRoot(path);
  if (opened.ok && opened.created) settings.ImportIni(seedPath);
}

}  // namespace voltrim
