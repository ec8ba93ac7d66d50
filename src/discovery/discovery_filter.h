#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace voltrim {

class SettingsStore;

// The three search settings, read at construction and written by the Search Filter command.
struct SearchFilter {
  int masterFix = 0;        // repair a damaged MASTER without asking
  int limit = 1;            // walk only paths that match filterName
  std::string filterUpper;  // filterName upper-cased, used for matching
  std::string filterName;   // as the user typed it
};

// A filter with filterUpper made from filterName.
SearchFilter MakeSearchFilter(int masterFix, int limit, std::string filterName);

// With limit off every folder is admitted; with it on, a folder whose upper-cased path
// contains the filter or is contained in it. A plain substring test: /META is admitted
// on the way to /METASTOCK/DATA, and so is /METASTOCK/DATA2.
bool FilterAdmits(const SearchFilter& filter, std::string_view path);

// Read once when the browser is built; Name defaults to the current directory.
SearchFilter LoadSearchFilter(const SettingsStore& store, std::string_view currentDirectory);
void SaveSearchFilter(SettingsStore& store, const SearchFilter& filter);

inline constexpr char kUnknownDriveMessage[] = "The Search Filter path refers to an unknown drive";

// The Search Filter dialog's OK check: with Limit on, the path must be absolute and lie on
// a drive of the list. True when the dialog may close.
bool SearchFilterPathAccepted(bool limit, std::string_view filterName,
                              const std::vector<std::string>& drives);

// A rescan is due when Limit was switched, or when it is on and the filter text changed
// other than in case.
bool RescanDue(const SearchFilter& before, const SearchFilter& after);

// The drive a rescan walks: the drive of the new filter path, or the current drive when the
// path names none (possible only with Limit off).
std::string DriveForRescan(const SearchFilter& after, const std::vector<std::string>& drives,
                           std::string_view currentDrive);

// What the Search Filter command does after OK: the new filter (saved to the settings),
// whether to rescan, and which drive.
struct SearchFilterChange {
  SearchFilter filter;
  bool rescan = false;
  std::string drive;  // meaningful when rescan is true
};
SearchFilterChange SaveSearchFilterChange(SettingsStore& store, const SearchFilter& before,
                                          bool limit, std::string filterName, bool masterFix,
                                          const std::vector<std::string>& drives,
                                          std::string_view currentDrive);

// `voltrim FOLDER`: the search filter becomes FOLDER (absolute, links resolved) with the
// limit on, and its drive the current drive, so that the start lists FOLDER's portfolios
// and selects the first, as after choosing FOLDER in the Search Filter dialog. Returns the
// message to show when FOLDER is no folder or lies on no drive of the list; nothing is
// changed then.
std::optional<std::string> UseStartFolder(SettingsStore& store, const std::string& folder,
                                          const std::vector<std::string>& drives);

}  // namespace voltrim
