#include <gtest/gtest.h>

#include "browser/discovery_drives.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using Drives = std::vector<std::string>;

TEST(MountTableTest, DecodesEscapesAndKeepsRealFileSystems) {
  const std::string table =
      "proc /proc proc rw,relatime 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "devtmpfs /dev devtmpfs rw 0 0\n"
      "devpts /dev/pts devpts rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/vda / ext4 rw 0 0\n"
      "cgroup /sys/fs/cgroup/cpu cgroup rw 0 0\n"
      "cgroup2 /sys/fs/cgroup/unified cgroup2 rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0\n"
      "/dev/sdb1 /run/media/ann/USB\\040STICK vfat rw 0 0\n"
      "/dev/loop3 /snap/core/123 squashfs ro 0 0\n"
      "/dev/sda2 /home ext4 rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "//server/share /mnt/Trading cifs rw 0 0\n"
      "/dev/sdc1 /mnt/archive xfs rw 0 0\n"
      "/dev/sdc1 /mnt/archive xfs rw 0 0\n"
      "garbage\n";
  EXPECT_EQ(ParseMountTable(table).at(11).mountPoint, "/run/media/ann/USB STICK");
  EXPECT_EQ(DrivesFromMountTable(table), (Drives{"/", "/home", "/mnt/archive", "/mnt/Trading",
                                                 "/run/media/ann/USB STICK", "/tmp"}));
}

TEST(DriveOfPathTest, LongestMountByWholeComponents) {
  const Drives drives = {"/", "/mnt/data", "/mnt/data/inner"};
  EXPECT_EQ(DriveOfPath("/mnt/data", drives), "/mnt/data");
  EXPECT_EQ(DriveOfPath("/mnt/data/x/y", drives), "/mnt/data");
  EXPECT_EQ(DriveOfPath("/mnt/data/inner/z", drives), "/mnt/data/inner");
  EXPECT_EQ(DriveOfPath("/mnt/data2/x", drives), "/");
  EXPECT_EQ(DriveOfPath("/", drives), "/");
  EXPECT_EQ(DriveOfPath("mnt/data", drives), "");
  EXPECT_EQ(DriveOfPath("", drives), "");
  EXPECT_EQ(DriveOfPath("/home", Drives{"/mnt/data"}), "");
  EXPECT_EQ(JoinPath("/", "data"), "/data");
  EXPECT_EQ(JoinPath("/mnt/data", "x"), "/mnt/data/x");
}

TEST(ChooseDriveTest, SavedDriveElseDriveOfCurrentDirectory) {
  const Drives drives = {"/", "/home", "/mnt/usb"};
  EXPECT_EQ(ChooseDrive(drives, "", "/home/ann/stocks").drive, "/home");
  EXPECT_EQ(ChooseDrive(drives, "", "/home/ann/stocks").index, 1);
  EXPECT_EQ(ChooseDrive(drives, "/mnt/usb", "/home/ann").index, 2);
  EXPECT_EQ(ChooseDrive(drives, "/mnt/usb/", "/home/ann").index, 2);
  EXPECT_EQ(ChooseDrive(drives, "/", "/home/ann").index, 0);
  // A saved drive that is gone: the last drive, none shown selected.
  const DriveChoice gone = ChooseDrive(drives, "/media/old", "/home/ann");
  EXPECT_EQ(gone.drive, "/mnt/usb");
  EXPECT_EQ(gone.index, -1);
  EXPECT_EQ(ChooseDrive({}, "", "/home").drive, kNoDrive);
}

TEST(ChooseDriveTest, InitialChoiceAndDriveChangesAreRemembered) {
  testing::TempDir dir;
  SettingsStore store;
  store.OpenRoot((dir.path() / "Voltrim.conf").string());
  const Drives drives = {"/", "/home"};
  EXPECT_EQ(PickInitialDrive(store, drives, "/home/ann").drive, "/home");
  EXPECT_EQ(store.GetString(settings::kSettings, settings::kDrive, ""), "/home");

  EXPECT_FALSE(ChangeDrive(store, "/home", "/home"));
  EXPECT_TRUE(ChangeDrive(store, "/home", "/"));
  EXPECT_EQ(store.GetString(settings::kSettings, settings::kDrive, ""), "/");
  EXPECT_EQ(PickInitialDrive(store, drives, "/home/ann").drive, "/");
  // The rescan after a filter change starts from "no drive", so any pick scans.
  EXPECT_TRUE(ChangeDrive(store, kNoDrive, "/"));
}

}  // namespace
}  // namespace voltrim
