#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "datafiles/io/portfolio_files.h"
#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"
#include "discovery/discovery_walk.h"
#include "discovery/scan_worker.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/event_loop.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

class WalkTest : public ::testing::Test {
 protected:
  std::string P(const std::string& relative) const { return dir_.str() + "/" + relative; }
  void Masters(std::initializer_list<const char*> relatives) {
    for (const char* relative : relatives) {
      fs::create_directories(fs::path(P(relative)).parent_path());
      std::ofstream(P(relative)) << "x";
    }
  }
  Paths SortedWalk(const SearchFilter& filter) {
    Paths results;
    WalkDirectory(dir_.str(), filter, results, prompt_);
    SortPortfolioList(results);
    return results;
  }
  bool Examined(const std::string& path) const {
    return std::count(prompt_.scanPaths.begin(), prompt_.scanPaths.end(), path) > 0;
  }

  testing::TempDir dir_;
  testing::RecordingPrompt prompt_;
  const SearchFilter noLimit_ = MakeSearchFilter(0, 0, "");
};

TEST_F(WalkTest, FilterDescendsTowardsAndBelowThePath) {
  Masters({"metastock/data/MASTER", "metastock/data/2020/MASTER", "metastock/data2/MASTER",
           "metastock/other/MASTER", "other/metastock/MASTER", "meta/MASTER"});
  const Paths found = SortedWalk(MakeSearchFilter(0, 1, P("MetaStock/Data")));
  EXPECT_EQ(found, (Paths{P("meta"), P("metastock/data"), P("metastock/data/2020"),
                          P("metastock/data2")}));
  EXPECT_TRUE(Examined(P("metastock")));
  EXPECT_FALSE(Examined(P("other")));  // never entered, so its subtree is never listed
  EXPECT_FALSE(Examined(P("metastock/other")));
  // The root is always examined; a missing root finds nothing.
  Masters({"MASTER"});
  EXPECT_EQ(SortedWalk(MakeSearchFilter(0, 1, "/nowhere/else")), Paths{dir_.str()});
  Paths none;
  WalkDirectory(P("absent"), noLimit_, none, prompt_);
  EXPECT_TRUE(none.empty());
}

TEST_F(WalkTest, MasterTestIgnoresCaseFoldersPipesDotNamesAndLinks) {
  Masters({"upper/MASTER", "lower/master", "mixed/Master", ".hidden/MASTER", "visible/.dot/MASTER",
           "folder/MASTER/MASTER", "notmaster/MASTER.BAK", "real/MASTER", "target.dat"});
  fs::create_directories(P("pipe"));
  ASSERT_EQ(mkfifo(P("pipe/MASTER").c_str(), 0600), 0);
  // The fill would open the FIFO MASTER, not the regular master beside it.
  Masters({"pipeandfile/master"});
  ASSERT_EQ(mkfifo(P("pipeandfile/MASTER").c_str(), 0600), 0);
  // Links are never followed, so loops end.
  fs::create_directory_symlink(dir_.path(), P("real/loop"));
  fs::create_directory_symlink(P("real"), P("alias"));
  fs::create_directories(P("linked"));
  fs::create_symlink(P("target.dat"), P("linked/MASTER"));
  fs::create_directories(P("dangling"));
  fs::create_symlink(P("gone"), P("dangling/MASTER"));
  EXPECT_EQ(SortedWalk(noLimit_), (Paths{P("folder/MASTER"), P("linked"), P("lower"), P("mixed"),
                                         P("real"), P("upper")}));
  for (const char* skipped : {".hidden", "visible/.dot", "alias", "real/loop"})
    EXPECT_FALSE(Examined(P(skipped))) << skipped;
}

// Paths the system cannot open are neither listed nor entered; up to them, depth is no limit.
TEST_F(WalkTest, SixtyLevelsAreListedAndTooLongPathsAreNot) {
  std::string deep;
  for (int level = 0; level < 60; ++level) deep += "level_" + std::to_string(10 + level) + "/";
  Masters({(deep + "MASTER").c_str()});
  std::string tooLong = deep;
  while (P(tooLong).size() <= kMaxPortfolioDirLength) tooLong += "abcdefghijklmnopqrstuvwxyz/";
  tooLong.pop_back();
  // Made step by step: a path this long cannot be created in one call.
  fs::path made = dir_.path();
  for (std::size_t at = 0, next; at < tooLong.size(); at = next + 1) {
    next = tooLong.find('/', at);
    if (next == std::string::npos) next = tooLong.size();
    made /= tooLong.substr(at, next - at);
    ASSERT_TRUE(mkdir(made.c_str(), 0755) == 0 || errno == EEXIST) << made.string().size();
  }
  deep.pop_back();
  EXPECT_EQ(SortedWalk(noLimit_), Paths{P(deep)});
  EXPECT_FALSE(Examined(P(tooLong)));
}

// A tree whose folder "loop" is the root itself again, as a bind mount of a folder inside
// itself presents it: same device, same inode, a new path each time.
class LoopingTree : public WalkFileSystem {
 public:
  bool List(const std::string& folder, bool, FolderListing& out) const override {
    ++listings;
    const bool isLeaf = folder.size() >= 5 && folder.compare(folder.size() - 5, 5, "/leaf") == 0;
    out = FolderListing{1, isLeaf ? ino_t{3} : ino_t{2}, {}, true};
    if (!isLeaf) out.subfolders = {"leaf", "loop"};
    return true;
  }
  bool HasMasterFile(const std::string&) const override { return true; }
  mutable int listings = 0;
};

TEST(WalkLoopTest, AFolderReachedAgainOrAnotherMountIsNotEntered) {
  LoopingTree tree;
  testing::RecordingPrompt prompt;
  Paths results;
  WalkDirectoryIn(tree, "/r", MakeSearchFilter(0, 0, ""), results, prompt);
  EXPECT_EQ(results, (Paths{"/r", "/r/leaf"}));
  EXPECT_EQ(tree.listings, 3);  // /r, /r/loop (seen already: not examined), /r/leaf

  // /proc is a file system of its own on every Linux system; admitted by the filter, it
  // must still not be entered from /.
  struct stat rootInfo, procInfo;
  if (stat("/", &rootInfo) || stat("/proc", &procInfo) || rootInfo.st_dev == procInfo.st_dev) {
    GTEST_SKIP() << "no separate /proc here";
  }
  Paths listed;
  WalkDirectory("/", MakeSearchFilter(0, 1, "/proc/self/fd"), listed, prompt);
  EXPECT_EQ(std::count(prompt.scanPaths.begin(), prompt.scanPaths.end(), "/proc"), 0);
}

// What the worker's walk finds and its progress reach the window in the startup tests.
TEST(ScanWorkerTest, OneWalkAtATimeAndADroppedWorkerWaitsAndCallsNothing) {
  EnsureCoreApplication();
  RecordingPrompt prompt;
  const SearchFilter noLimit = MakeSearchFilter(0, 0, "");
  Gate gate;
  int walks = 0;
  const ScanWorker::Walk held = [&](const std::string& root, const SearchFilter&, Paths& results,
                                    UserPrompt& progress) {
    ++walks;
    progress.ScanProgress(root, 0);
    gate.Wait();
    results.push_back(root);
  };
  int done = 0;
  {
    ScanWorker worker(prompt);
    ASSERT_TRUE(worker.Start(held, "/a", noLimit, [&](Paths) { ++done; }));
    EXPECT_FALSE(worker.Start(held, "/b", noLimit, [&](Paths) { ++done; }));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !prompt.scanPaths.empty(); }));
    EXPECT_TRUE(worker.Running());  // progress came through while the walk is held
    gate.Open();
  }
  ProcessEventsUntil([] { return true; });
  EXPECT_EQ(walks, 1);
  EXPECT_EQ(done, 0);
}

// The mount table's real file systems, escapes decoded; a path belongs to the longest mount
// by whole components; the drive chosen is the current directory's, else the last.
TEST(Drives, MountTablePathsAndTheChoiceOfDrive) {
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
            (Paths{"/", "/mnt/archive", "/mnt/Trading", "/run/media/ann/USB STICK", "/tmp"}));
  const std::pair<const char*, const char*> cases[] = {{"/mnt/data/x/y", "/mnt/data"},
                                                       {"/mnt/data/inner/z", "/mnt/data/inner"},
                                                       {"/mnt/data2/x", "/"},
                                                       {"mnt/data", ""}};
  for (const auto& [path, drive] : cases)
    EXPECT_EQ(DriveOfPath(path, {"/", "/mnt/data", "/mnt/data/inner"}), drive) << path;
  EXPECT_EQ(JoinPath("/", "data"), "/data");
  const Paths drives = {"/", "/home", "/mnt/usb"};
  EXPECT_EQ(ChooseDrive(drives, "", "/home/ann/stocks").index, 1);
  // A saved drive that is gone: the last drive, none shown selected.
  const DriveChoice gone = ChooseDrive(drives, "/media/old", "/home/ann");
  EXPECT_EQ(std::tuple(gone.drive, gone.index), std::tuple("/mnt/usb", -1));
  EXPECT_EQ(ChooseDrive({}, "", "/home").drive, kNoDrive);
}

TEST(SearchFilter, OkCheckRescanRuleTheDriveRescannedAndTheStartFolder) {
  const SearchFilter on = MakeSearchFilter(0, 1, "/data");
  EXPECT_TRUE(RescanDue(MakeSearchFilter(0, 0, "/data"), on));
  EXPECT_FALSE(RescanDue(MakeSearchFilter(0, 0, "/data"), MakeSearchFilter(0, 0, "/other")));
  EXPECT_FALSE(RescanDue(on, MakeSearchFilter(1, 1, "/DATA")));
  EXPECT_TRUE(RescanDue(on, MakeSearchFilter(0, 1, "/data2")));

  const Paths drives = {"/", "/mnt/data"};
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
  EXPECT_EQ(std::tuple(change.rescan, change.drive), std::tuple(true, "/mnt/data"));
  EXPECT_EQ(store.GetString(settings::kSearch, "Name", ""), "/mnt/data/x");

  // `voltrim FOLDER`, links resolved, limits the search to the folder on its drive or changes
  // nothing.
  std::filesystem::create_directories(dir.path() / "data" / "stocks");
  std::filesystem::create_symlink(dir.path() / "data", dir.path() / "link");
  const std::string file = (dir.path() / "data" / "notes.txt").string();
  testing::WriteFileBytes(file, {'x'});
  store.SetInt(settings::kSearch, settings::kMasterFix, 1);
  store.SetInt(settings::kSearch, settings::kLimit, 0);
  const Paths own = {dir.str()};

  for (const std::string& refused : {file, dir.str() + "/missing"})
    EXPECT_EQ(UseStartFolder(store, refused, own), refused + " is not a folder");
  EXPECT_EQ(UseStartFolder(store, dir.str() + "/data", {"/elsewhere"}),
            std::string(kUnknownDriveMessage));
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, -1), 0);  // untouched

  EXPECT_EQ(UseStartFolder(store, dir.str() + "/link/./stocks/", own), std::nullopt);
  const std::string real = std::filesystem::canonical(dir.path() / "data" / "stocks").string();
  EXPECT_EQ(std::tuple(store.GetString(settings::kSearch, settings::kName, ""),
                       store.GetInt(settings::kSearch, settings::kLimit, 0),
                       store.GetInt(settings::kSearch, settings::kMasterFix, 0),
                       store.GetString(settings::kSettings, settings::kDrive, "")),
            std::tuple(real, 1, 1, dir.str()));
}

}  // namespace
}  // namespace voltrim::testing
