#include <gtest/gtest.h>

#include "browser/discovery_drives.h"
#include "browser/discovery_filter.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using Drives = std::vector<std::string>;

TEST(Drives, MountTableKeepsRealFileSystemsWithEscapesDecoded) {
  const std::string table =
      "proc /proc proc rw,relatime 0 0\n"
      "sysfs /sys sysfs rw 0 0\n"
      "devtmpfs /dev devtmpfs rw 0 0\n"
      "tmpfs /dev/shm tmpfs rw 0 0\n"
      "/dev/vda / ext4 rw 0 0\n"
      "cgroup2 /sys/fs/cgroup/unified cgroup2 rw 0 0\n"
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
  EXPECT_EQ(DrivesFromMountTable(table), (Drives{"/", "/home", "/mnt/archive", "/mnt/Trading",
                                                 "/run/media/ann/USB STICK", "/tmp"}));
}

TEST(Drives, PathsBelongToTheLongestMountByWholeComponents) {
  const Drives drives = {"/", "/mnt/data", "/mnt/data/inner"};
  const std::pair<const char*, const char*> cases[] = {{"/mnt/data", "/mnt/data"},
                                                       {"/mnt/data/x/y", "/mnt/data"},
                                                       {"/mnt/data/inner/z", "/mnt/data/inner"},
                                                       {"/mnt/data2/x", "/"},
                                                       {"/", "/"},
                                                       {"mnt/data", ""},
                                                       {"", ""}};
  for (const auto& [path, drive] : cases) EXPECT_EQ(DriveOfPath(path, drives), drive) << path;
  EXPECT_EQ(DriveOfPath("/home", Drives{"/mnt/data"}), "");
  EXPECT_EQ(JoinPath("/", "data"), "/data");
  EXPECT_EQ(JoinPath("/mnt/data", "x"), "/mnt/data/x");
}

TEST(Drives, ChoiceIsTheSavedDriveElseTheCurrentDirectorysAndIsRemembered) {
  const Drives drives = {"/", "/home", "/mnt/usb"};
  EXPECT_EQ(ChooseDrive(drives, "", "/home/ann/stocks").index, 1);
  EXPECT_EQ(ChooseDrive(drives, "/mnt/usb/", "/home/ann").index, 2);
  EXPECT_EQ(ChooseDrive(drives, "/", "/home/ann").index, 0);
  // A saved drive that is gone: the last drive, none shown selected.
  const DriveChoice gone = ChooseDrive(drives, "/media/old", "/home/ann");
  EXPECT_EQ(gone.drive, "/mnt/usb");
  EXPECT_EQ(gone.index, -1);
  EXPECT_EQ(ChooseDrive({}, "", "/home").drive, kNoDrive);

  testing::TempDir dir;
  SettingsStore store;
  store.OpenRoot((dir.path() / "Voltrim.conf").string());
  EXPECT_EQ(PickInitialDrive(store, {"/", "/home"}, "/home/ann").drive, "/home");
  EXPECT_EQ(store.GetString(settings::kSettings, settings::kDrive, ""), "/home");
  EXPECT_FALSE(ChangeDrive(store, "/home", "/home"));
  EXPECT_TRUE(ChangeDrive(store, "/home", "/"));
  EXPECT_EQ(PickInitialDrive(store, {"/", "/home"}, "/home/ann").drive, "/");
  // The rescan after a filter change starts from "no drive", so any pick scans.
  EXPECT_TRUE(ChangeDrive(store, kNoDrive, "/"));
}

TEST(SearchFilter, AdmitsPlainSubstringsBothWaysIgnoringCase) {
  const SearchFilter filter = MakeSearchFilter(0, 1, "/metastock/Data");
  const std::pair<const char*, bool> cases[] = {
      {"/metastock", true},       {"/MetaStock/data", true}, {"/metastock/data/2020/x", true},
      {"/metastock/data2", true}, {"/meta", true},           {"/metastock/dat", true},
      {"/windows", false},        {"/other", false},         {"/other/metastock", false},
      {"/metastock/other", false}};
  for (const auto& [path, admitted] : cases) {
    EXPECT_EQ(FilterAdmits(filter, path), admitted) << path;
  }
  EXPECT_TRUE(FilterAdmits(MakeSearchFilter(0, 1, "data"), "/mydata/deeper"));
  EXPECT_FALSE(FilterAdmits(MakeSearchFilter(0, 1, "data"), "/home"));
  EXPECT_TRUE(FilterAdmits(MakeSearchFilter(0, 0, "/metastock/data"), "/windows"));
}

TEST(SearchFilter, OkCheckRescanRuleAndTheDriveRescanned) {
  const SearchFilter on = MakeSearchFilter(0, 1, "/data");
  const SearchFilter off = MakeSearchFilter(0, 0, "/data");
  EXPECT_TRUE(RescanDue(on, off));
  EXPECT_TRUE(RescanDue(off, on));
  EXPECT_FALSE(RescanDue(off, MakeSearchFilter(0, 0, "/other")));
  EXPECT_FALSE(RescanDue(on, MakeSearchFilter(1, 1, "/DATA")));
  EXPECT_TRUE(RescanDue(on, MakeSearchFilter(0, 1, "/data2")));

  const Drives drives = {"/", "/mnt/data"};
  EXPECT_TRUE(SearchFilterPathAccepted(true, "/mnt/data/stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "", drives));
  EXPECT_TRUE(SearchFilterPathAccepted(false, "stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "/home", {"/mnt/data"}));
  // Limit off with a path on no drive: the current drive is scanned again.
  EXPECT_EQ(DriveForRescan(MakeSearchFilter(0, 0, "stocks"), drives, "/mnt/data"), "/mnt/data");
}

TEST(SearchFilter, DefaultsAndWhatTheCommandStores) {
  testing::TempDir dir;
  SettingsStore store;
  store.OpenRoot((dir.path() / "Voltrim.conf").string());
  const SearchFilter before = LoadSearchFilter(store, "/home/ann/Stocks");
  EXPECT_EQ(before.limit * 10 + before.masterFix, 10);
  EXPECT_EQ(before.filterUpper, "/HOME/ANN/STOCKS");

  const auto change =
      SaveSearchFilterChange(store, before, true, "/mnt/data/x", true, {"/", "/mnt/data"}, "/");
  EXPECT_TRUE(change.rescan);
  EXPECT_EQ(change.drive, "/mnt/data");
  const SearchFilter reloaded = LoadSearchFilter(store, "/elsewhere");
  EXPECT_EQ(reloaded.limit * 10 + reloaded.masterFix, 11);
  EXPECT_EQ(reloaded.filterName, "/mnt/data/x");
}

}  // namespace
}  // namespace voltrim
