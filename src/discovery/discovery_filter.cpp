#include "discovery/discovery_filter.h"

#include <filesystem>
#include <system_error>

#include "datafiles/format/ascii_case.h"
#include "discovery/discovery_drives.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {

SearchFilter MakeSearchFilter(int masterFix, int limit, std::string filterName) {
  SearchFilter filter;
  filter.masterFix = masterFix;
  filter.limit = limit;
  filter.filterUpper = UpperAscii(filterName);
  filter.filterName = std::move(filterName);
  return filter;
}

bool FilterAdmits(const SearchFilter& filter, std::string_view path) {
  if (filter.limit == 0) return true;
  const std::string upper = UpperAscii(path);
  const std::string_view f = filter.filterUpper;
  return upper.find(f) != std::string::npos || f.find(upper) != std::string_view::npos;
}

SearchFilter LoadSearchFilter(const SettingsStore& store, std::string_view currentDirectory) {
  using namespace settings;
  return MakeSearchFilter(store.GetInt(kSearch, kMasterFix, kMasterFixDefault),
                          store.GetInt(kSearch, kLimit, kLimitDefault),
                          store.GetString(kSearch, kName, currentDirectory));
}

void SaveSearchFilter(SettingsStore& store, const SearchFilter& filter) {
  using namespace settings;
  store.SetInt(kSearch, kLimit, filter.limit);
  store.SetString(kSearch, kName, filter.filterName);
  store.SetInt(kSearch, kMasterFix, filter.masterFix);
}

bool SearchFilterPathAccepted(bool limit, std::string_view filterName,
                              const std::vector<std::string>& drives) {
  return !limit || !DriveOfPath(filterName, drives).empty();
}

bool RescanDue(const SearchFilter& before, const SearchFilter& after) {
  const bool limitBefore = before.limit != 0;
  const bool limitAfter = after.limit != 0;
  if (limitBefore != limitAfter) return true;
  return limitAfter && before.filterUpper != after.filterUpper;
}

std::string DriveForRescan(const SearchFilter& after, const std::vector<std::string>& drives,
                           std::string_view currentDrive) {
  std::string drive = DriveOfPath(after.filterName, drives);
  return drive.empty() ? std::string(currentDrive) : drive;
}

SearchFilterChange SaveSearchFilterChange(SettingsStore& store, const SearchFilter& before,
                                          bool limit, std::string filterName, bool masterFix,
                                          const std::vector<std::string>& drives,
                                          std::string_view currentDrive) {
  SearchFilterChange change;
  change.filter = MakeSearchFilter(masterFix ? 1 : 0, limit ? 1 : 0, std::move(filterName));
  SaveSearchFilter(store, change.filter);
  change.rescan = RescanDue(before, change.filter);
  if (change.rescan) change.drive = DriveForRescan(change.filter, drives, currentDrive);
  return change;
}

std::optional<std::string> UseStartFolder(SettingsStore& store, const std::string& folder,
                                          const std::vector<std::string>& drives) {
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(folder, error);
  if (error || !std::filesystem::is_directory(real, error)) return folder + " is not a folder";
  const std::string path = real.string();
  const std::string drive = DriveOfPath(path, drives);
  if (drive.empty()) return std::string(kUnknownDriveMessage);
  const SearchFilter before = LoadSearchFilter(store, path);
  SaveSearchFilter(store, MakeSearchFilter(before.masterFix, 1, path));
  store.SetString(settings::kSettings, settings::kDrive, drive);
  return std::nullopt;
}

}  // namespace voltrim
