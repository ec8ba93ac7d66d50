#include "discovery/discovery_drives.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "discovery/discovery_walk.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {

namespace {

// The kernel writes space, tab, newline and backslash in mount table fields as \ooo.
std::string DecodeMountField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::all_of(field.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                    field.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
      out += static_cast<char>(value & 0xFF);
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

bool IsAtOrBelow(std::string_view path, std::string_view folder) {
  return path == folder || (path.size() > folder.size() &&
                            path.substr(0, folder.size()) == folder && path[folder.size()] == '/');
}

constexpr std::string_view kPseudoTypes[] = {
    "proc",       "sysfs",   "cgroup",    "cgroup2",         "devpts",      "devtmpfs",
    "securityfs", "debugfs", "tracefs",   "pstore",          "bpf",         "configfs",
    "fusectl",    "mqueue",  "hugetlbfs", "autofs",          "binfmt_misc", "efivarfs",
    "rpc_pipefs", "nsfs",    "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal", "nfsd",
};

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
  std::vector<MountEntry> entries;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, mountPoint, type;
    if (!(fields >> device >> mountPoint >> type)) continue;
    entries.push_back({DecodeMountField(device), DecodeMountField(mountPoint), type});
  }
  return entries;
}

bool IsDriveMount(const MountEntry& entry) {
  if (entry.mountPoint.empty() || entry.mountPoint.front() != '/') return false;
  if (std::find(std::begin(kPseudoTypes), std::end(kPseudoTypes), entry.type) !=
      std::end(kPseudoTypes)) {
    return false;
  }
  const std::string_view path = entry.mountPoint;
  if (IsAtOrBelow(path, "/run/media")) return true;
  for (std::string_view system : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
    if (IsAtOrBelow(path, system)) return false;
  }
  return true;
}

std::vector<std::string> DrivesFromMountTable(std::string_view text) {
  std::vector<std::string> drives;
  for (const MountEntry& entry : ParseMountTable(text)) {
    if (IsDriveMount(entry)) drives.push_back(entry.mountPoint);
  }
  std::sort(drives.begin(), drives.end(), PortfolioOrder);
  drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
  return drives;
}

std::vector<std::string> ListDrives() {
  std::ifstream in("/proc/self/mounts");
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::string> drives = DrivesFromMountTable(text);
  if (drives.empty()) drives.push_back("/");
  return drives;
}

std::string DriveOfPath(std::string_view path, const std::vector<std::string>& drives) {
  if (path.empty() || path.front() != '/') return {};
  std::string best;
  for (const std::string& drive : drives) {
    const bool holds = drive == "/" || IsAtOrBelow(path, drive);
    if (holds && drive.size() > best.size()) best = drive;
  }
  return best;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

}  // namespace voltrim

namespace voltrim {

namespace {

std::string_view WithoutTrailingSlashes(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

}  // namespace

DriveChoice ChooseDrive(const std::vector<std::string>& drives, std::string_view savedDrive,
                        std::string_view currentDirectory) {
  if (drives.empty()) return {kNoDrive, -1};
  const std::string wanted = savedDrive.empty() ? DriveOfPath(currentDirectory, drives)
                                                : std::string(WithoutTrailingSlashes(savedDrive));
  const auto found = std::find(drives.begin(), drives.end(), wanted);
  if (found == drives.end()) return {drives.back(), -1};
  return {*found, static_cast<int>(found - drives.begin())};
}

DriveChoice PickInitialDrive(SettingsStore& store, const std::vector<std::string>& drives,
                             std::string_view currentDirectory) {
  const std::string saved = store.GetString(settings::kSettings, settings::kDrive, "");
  DriveChoice choice = ChooseDrive(drives, saved, currentDirectory);
  if (choice.drive != kNoDrive)
    store.SetString(settings::kSettings, settings::kDrive, choice.drive);
  return choice;
}

bool ChangeDrive(SettingsStore& store, std::string_view currentDrive, std::string_view selected) {
  if (selected == currentDrive) return false;
  store.SetString(settings::kSettings, settings::kDrive, selected);
  return true;
}

}  // namespace voltrim
