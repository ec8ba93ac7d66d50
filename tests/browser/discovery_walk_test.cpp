#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "browser/discovery_drives.h"
#include "browser/discovery_walk.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim {
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
}

TEST_F(WalkTest, RootIsAlwaysExaminedAndAMissingRootFindsNothing) {
  Masters({"MASTER", "a/MASTER"});
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
  // Links are never followed, so loops end.
  fs::create_directory_symlink(dir_.path(), P("real/loop"));
  fs::create_directory_symlink(P("real"), P("alias"));
  fs::create_directories(P("linked"));
  fs::create_symlink(P("target.dat"), P("linked/MASTER"));
  fs::create_directories(P("dangling"));
  fs::create_symlink(P("gone"), P("dangling/MASTER"));
  EXPECT_EQ(SortedWalk(noLimit_), (Paths{P("folder/MASTER"), P("linked"), P("lower"), P("mixed"),
                                         P("real"), P("upper")}));
  for (const char* skipped : {".hidden", "visible/.dot", "alias", "real/loop"}) {
    EXPECT_FALSE(Examined(P(skipped))) << skipped;
  }
}

TEST(WalkRealDataTest, FindsEveryPublishedFolder) {
  const fs::path data = testing::SharedDataDir();
  if (data.empty()) GTEST_SKIP() << "no shared data";
  testing::RecordingPrompt prompt;
  const Paths found = FindPortfolios(data.string(), MakeSearchFilter(0, 0, ""), prompt);
  // Folders added to the shared data later must not fail this test: it checks the ones it knows.
  for (const char* known : {"bbfinance", "equis-small", "lowercase-names", "mininge",
                            "stooq-intraday"}) {
    if (!fs::exists(data / known)) continue;
    EXPECT_NE(std::find(found.begin(), found.end(), (data / known).string()), found.end())
        << known;
  }
}

TEST(WalkOtherFileSystemsTest, NeverEntersAnotherMount) {
  // /proc is a file system of its own on every Linux system; admitted by the filter, it
  // must still not be entered from /.
  struct stat rootInfo, procInfo;
  if (stat("/", &rootInfo) || stat("/proc", &procInfo) || rootInfo.st_dev == procInfo.st_dev) {
    GTEST_SKIP() << "no separate /proc here";
  }
  testing::RecordingPrompt prompt;
  Paths results;
  WalkDirectory("/", MakeSearchFilter(0, 1, "/proc/self/fd"), results, prompt);
  EXPECT_EQ(std::count(prompt.scanPaths.begin(), prompt.scanPaths.end(), "/proc"), 0);
}

}  // namespace
}  // namespace voltrim
