#pragma once

#include <string>
#include <string_view>
#include <vector>

// The "drives" of this platform: mount points of real file systems.
namespace voltrim {

// The drive shown when none has been chosen; differs from every real mount point.
inline constexpr char kNoDrive[] = "?";

struct MountEntry {
  std::string device;
  std::string mountPoint;
  std::string type;
};

// The lines of a mount table in /proc/self/mounts form, with its octal escapes decoded.
std::vector<MountEntry> ParseMountTable(std::string_view text);

// Whether a mount may hold user data: pseudo file systems (proc, sysfs, cgroup, devpts...)
// and the system's own areas under /proc, /sys, /dev and /run (except removable media
// under /run/media) are left out, and so are snap packages under /snap.
bool IsDriveMount(const MountEntry& entry);

// The drive list of a mount table: mount points of drive mounts, each once, sorted
// alphabetically without regard to case.
std::vector<std::string> DrivesFromMountTable(std::string_view text);

// The drive list of this machine. When the mount table cannot be read, "/" alone.
std::vector<std::string> ListDrives();

// The longest drive that is a prefix of the absolute path by whole components; empty when
// the path is not absolute or no drive holds it.
std::string DriveOfPath(std::string_view path, const std::vector<std::string>& drives);

// Joins a folder and a name with one "/", also at the root "/".
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace voltrim

namespace voltrim {

class SettingsStore;

// The drive to start with and its place in the drive list (-1: none shown selected).
struct DriveChoice {
  std::string drive;
  int index = -1;
};

// The saved drive when it is in the list, else (saved empty) the drive of the current
// directory; a saved drive that is gone makes the last drive current with none selected.
// With no drives at all the choice is kNoDrive.
DriveChoice ChooseDrive(const std::vector<std::string>& drives, std::string_view savedDrive,
                        std::string_view currentDirectory);

// ChooseDrive with the saved drive read from the settings, and the choice written back.
DriveChoice PickInitialDrive(SettingsStore& store, const std::vector<std::string>& drives,
                             std::string_view currentDirectory);

// The user picked `selected` in the drive list: true (and the drive remembered) when it
// differs from the current drive and so needs a scan; re-picking the current drive does
// nothing.
bool ChangeDrive(SettingsStore& store, std::string_view currentDrive, std::string_view selected);

}  // namespace voltrim
