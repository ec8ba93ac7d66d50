#include <gtest/gtest.h>

#include <filesystem>

#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using Drives = std::vector<std::string>;

TEST(Drives, MountTableKeepsRealFileSystemsWithEscapesDecoded) {
  const std::string table =
      "proc /proc proc rw,relatime 0 0\n"
      "/dev/vda / ext4 rw 0 0\n"
      "tmpfs /run/user/1000 tmpfs rw 0 0\n"
      "/dev/sdb1 /run/media/ann/USB\\040STICK vfat rw 0 0\n"
      "tmpfs /tmp tmpfs rw 0 0\n"
      "//server/share /mnt/Trading cifs rw 0 0\n"
      "/dev/loop3 /snap/core/123 squashfs ro 0 0\n"
      "/dev/sdc1 /mnt/archive xfs rw 0 0\n"
      "garbage\n";
  EXPECT_EQ(DrivesFromMountTable(table),
            (Drives{"/", "/mnt/archive", "/mnt/Trading", "/run/media/ann/USB STICK", "/tmp"}));
}

TEST(Drives, PathsBelongToTheLongestMountByWholeComponents) {
  const Drives drives = {"/", "/mnt/data", "/mnt/data/inner"};
  const std::pair<const char*, const char*> cases[] = {{"/mnt/data/x/y", "/mnt/data"},
                                                       {"/mnt/data/inner/z", "/mnt/data/inner"},
                                                       {"/mnt/data2/x", "/"},
                                                       {"mnt/data", ""}};
  for (const auto& [path, drive] : cases) EXPECT_EQ(DriveOfPath(path, drives), drive) << path;
  EXPECT_EQ(JoinPath("/", "data"), "/data");
}

TEST(Drives, ChoiceIsTheCurrentDirectorysElseTheLast) {
  const Drives drives = {"/", "/home", "/mnt/usb"};
  EXPECT_EQ(ChooseDrive(drives, "", "/home/ann/stocks").index, 1);
  // A saved drive that is gone: the last drive, none shown selected.
  const DriveChoice gone = ChooseDrive(drives, "/media/old", "/home/ann");
  EXPECT_EQ(gone.drive, "/mnt/usb");
  EXPECT_EQ(gone.index, -1);
  EXPECT_EQ(ChooseDrive({}, "", "/home").drive, kNoDrive);
}

TEST(SearchFilter, OkCheckRescanRuleAndTheDriveRescanned) {
  const SearchFilter on = MakeSearchFilter(0, 1, "/data");
  EXPECT_TRUE(RescanDue(MakeSearchFilter(0, 0, "/data"), on));
  EXPECT_FALSE(RescanDue(MakeSearchFilter(0, 0, "/data"), MakeSearchFilter(0, 0, "/other")));
  EXPECT_FALSE(RescanDue(on, MakeSearchFilter(1, 1, "/DATA")));
  EXPECT_TRUE(RescanDue(on, MakeSearchFilter(0, 1, "/data2")));

  const Drives drives = {"/", "/mnt/data"};
  EXPECT_TRUE(FilterAdmits(MakeSearchFilter(0, 1, "data"), "/mydata/deeper"));
  EXPECT_TRUE(FilterAdmits(MakeSearchFilter(0, 0, "/metastock/data"), "/windows"));
  // Limit off with a path on no drive: the current drive is scanned again.
  EXPECT_EQ(DriveForRescan(MakeSearchFilter(0, 0, "stocks"), drives, "/mnt/data"), "/mnt/data");

  // Switching the limit on walks the filter's drive, whichever one is current.
  testing::TempDir dir;
  SettingsStore store;
  store.OpenRoot((dir.path() / "Voltrim.conf").string());
  const auto change = SaveSearchFilterChange(store, MakeSearchFilter(0, 0, "/data"), true,
                                             "/mnt/data/x", true, drives, "/");
  EXPECT_TRUE(change.rescan);
  EXPECT_EQ(change.drive, "/mnt/data");
  EXPECT_EQ(store.GetString(settings::kSearch, "Name", ""), "/mnt/data/x");
}

// `voltrim FOLDER`, links resolved.
TEST(StartFolder, LimitsTheSearchToTheFolderOnItsDriveOrChangesNothing) {
  testing::TempDir root;
  std::filesystem::create_directories(root.path() / "data" / "stocks");
  std::filesystem::create_symlink(root.path() / "data", root.path() / "link");
  const std::string file = (root.path() / "data" / "notes.txt").string();
  testing::WriteFileBytes(file, {'x'});
  SettingsStore store;
  store.OpenRoot((root.path() / "Voltrim.conf").string());
  store.SetInt(settings::kSearch, settings::kMasterFix, 1);
  store.SetInt(settings::kSearch, settings::kLimit, 0);
  const Drives drives = {root.str()};

  for (const std::string& refused : {file, root.str() + "/missing"})
    EXPECT_EQ(UseStartFolder(store, refused, drives), refused + " is not a folder");
  EXPECT_EQ(UseStartFolder(store, root.str() + "/data", {"/elsewhere"}),
            std::string(kUnknownDriveMessage));
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, -1), 0);  // untouched

  EXPECT_EQ(UseStartFolder(store, root.str() + "/link/./stocks/", drives), std::nullopt);
  const std::string real = std::filesystem::canonical(root.path() / "data" / "stocks").string();
  EXPECT_EQ(store.GetString(settings::kSearch, settings::kName, ""), real);
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 0), 1);
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kMasterFix, 0), 1);
  EXPECT_EQ(store.GetString(settings::kSettings, settings::kDrive, ""), root.str());
}

}  // namespace
}  // namespace voltrim
