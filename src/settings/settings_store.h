#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QSettings;

namespace voltrim {

// Everything the program remembers between runs: root -> section -> value, every value a
// text. Backed by an INI file through QSettings; reads never create sections, and a store
// that cannot be written still runs (reads give defaults, writes fail silently).
// Section and value names match without regard to ASCII case, as they always have; a write
// reuses the spelling already stored.
class SettingsStore {
 public:
  SettingsStore();
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The per-user settings file: ~/.config/Voltrim/Voltrim.conf.
  static std::string DefaultPath();
  // The machine-wide seeding file: /etc/xdg/Voltrim.INI.
  static std::string DefaultSeedPath();
  // Where earlier versions kept the per-user settings file, under another folder name.
  static std::string EarlierDefaultPath();
  // Copies the earlier settings file to path when path does not exist yet, so that a user's
  // settings survive the move; the earlier file is left as it was.
  static void CarryOver(const std::string& earlierPath, const std::string& path);

  struct OpenResult {
    bool ok = false;       // the root can be written
    bool created = false;  // the root did not exist before
  };
  // Binds the store to its file, creating the file (and its folder) when missing so that
  // the next start knows the root exists. The path is kept also when this fails.
  OpenResult OpenRoot(const std::string& path);
  // Binds the store to its file for reading only: nothing is created, and a missing file
  // reads as defaults.
  void OpenForReading(const std::string& path);

  // Seeds the root from an initialisation file (only called on the first start). A missing
  // file seeds nothing; a section that cannot be created stops the seeding.
  void ImportIni(const std::string& seedPath);

  int GetInt(std::string_view section, std::string_view name, int defaultValue) const;
  bool SetInt(std::string_view section, std::string_view name, int value);
  // Several integers of one section in one write of the file; none is kept when it fails.
  bool SetInts(std::string_view section,
               std::initializer_list<std::pair<std::string_view, int>> values);
  std::string GetString(std::string_view section, std::string_view name,
                        std::string_view defaultValue) const;
  bool SetString(std::string_view section, std::string_view name, std::string_view value);

  const std::string& path() const { return path_; }
  bool writable() const { return writable_; }

 private:
  bool Read(std::string_view section, std::string_view name, std::string& text) const;
  bool Write(std::string_view section, std::string_view name, std::string_view text);
  bool WriteAll(std::string_view section,
                const std::vector<std::pair<std::string_view, std::string>>& values);
  bool Flush();
  void Reload();

  std::string path_;
  bool writable_ = false;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace voltrim
