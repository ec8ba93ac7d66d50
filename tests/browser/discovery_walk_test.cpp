#include <gtest/gtest.h>

#include <dirent.h>
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
  std::string P(const std::string& relative) const {
    return relative.empty() ? root() : root() + "/" + relative;
  }
  std::string root() const { return dir_.str(); }

  void Folders(std::initializer_list<const char*> relatives) {
    for (const char* relative : relatives) fs::create_directories(P(relative));
  }
  void Masters(std::initializer_list<const char*> relatives) {
    for (const char* relative : relatives) {
      fs::create_directories(fs::path(P(relative)).parent_path());
      std::ofstream(P(relative)) << "x";
    }
  }

  Paths Walk(const SearchFilter& filter) {
    Paths results;
    WalkDirectory(root(), filter, results, prompt_);
    return results;
  }
  Paths SortedWalk(const SearchFilter& filter) {
    Paths results = Walk(filter);
    SortPortfolioList(results);
    return results;
  }
  bool Examined(const std::string& path) const {
    return std::find(prompt_.scanPaths.begin(), prompt_.scanPaths.end(), path) !=
           prompt_.scanPaths.end();
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

TEST_F(WalkTest, RootIsExaminedWhateverTheFilter) {
  Masters({"MASTER", "sub/MASTER"});
  EXPECT_EQ(Walk(MakeSearchFilter(0, 1, "/nowhere/else")), Paths{root()});
  Paths none;
  WalkDirectory(P("absent"), noLimit_, none, prompt_);
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(SortedWalk(noLimit_), (Paths{root(), P("sub")}));
}

TEST_F(WalkTest, MasterTestIgnoresCaseFoldersAndDotNames) {
  Masters({"upper/MASTER", "lower/master", "mixed/Master", ".hidden/MASTER", "visible/.dot/MASTER",
           "folder/MASTER/MASTER", "notmaster/MASTER.BAK"});
  Folders({"empty"});
  EXPECT_EQ(SortedWalk(noLimit_), (Paths{P("folder/MASTER"), P("lower"), P("mixed"), P("upper")}));
  EXPECT_FALSE(Examined(P(".hidden")));
  EXPECT_FALSE(Examined(P("visible/.dot")));
}

TEST_F(WalkTest, LinksAreNeverFollowedSoLoopsEnd) {
  Masters({"real/MASTER", "target.dat"});
  fs::create_directory_symlink(root(), P("real/loop"));
  fs::create_directory_symlink(P("real"), P("alias"));
  fs::create_directories(P("linked"));
  fs::create_symlink(P("target.dat"), P("linked/MASTER"));
  fs::create_directories(P("dangling"));
  fs::create_symlink(P("gone"), P("dangling/MASTER"));
  EXPECT_EQ(SortedWalk(noLimit_), (Paths{P("linked"), P("real")}));
  EXPECT_FALSE(Examined(P("alias")));
  EXPECT_FALSE(Examined(P("real/loop")));
}

TEST_F(WalkTest, PipeNamedMasterIsNotAPortfolio) {
  fs::create_directories(P("pipe"));
  ASSERT_EQ(mkfifo(P("pipe/MASTER").c_str(), 0600), 0);
  EXPECT_TRUE(Walk(noLimit_).empty());
}

TEST_F(WalkTest, SubfoldersAreVisitedInReverseListingOrder) {
  for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
    Masters({(std::string(name) + "/MASTER").c_str()});
  }
  Paths listed;
  DIR* listing = opendir(root().c_str());
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] != '.') listed.push_back(P(entry->d_name));
  }
  closedir(listing);
  std::reverse(listed.begin(), listed.end());
  EXPECT_EQ(Walk(noLimit_), listed);
}

TEST_F(WalkTest, DepthFirstAndProgressCounts) {
  Masters({"a/MASTER", "a/x/MASTER", "a/x/y/MASTER"});
  EXPECT_EQ(Walk(noLimit_), (Paths{P("a"), P("a/x"), P("a/x/y")}));
  ASSERT_FALSE(prompt_.scanPaths.empty());
  EXPECT_EQ(prompt_.scanPaths.front(), root());
  EXPECT_EQ(prompt_.scanCounts.front(), 0);
  EXPECT_EQ(prompt_.scanCounts.back(), 3);
  EXPECT_TRUE(std::is_sorted(prompt_.scanCounts.begin(), prompt_.scanCounts.end()));
}

TEST(WalkRealDataTest, FindsEveryPublishedFolder) {
  const fs::path data = testing::SharedDataDir();
  if (data.empty()) GTEST_SKIP() << "no shared data";
  testing::RecordingPrompt prompt;
  Paths found;
  WalkDirectory(data.string(), MakeSearchFilter(0, 0, ""), found, prompt);
  SortPortfolioList(found);
  EXPECT_EQ(found, (Paths{(data / "bbfinance").string(), (data / "lowercase-names").string(),
                          (data / "mininge").string(), (data / "stooq-intraday").string()}));
}

TEST(WalkOtherFileSystemsTest, NeverEntersAnotherMount) {
  // /proc is a file system of its own on every Linux system; admitted by the filter, it
  // must still not be entered from /.
  struct stat rootInfo, procInfo;
  if (stat("/", &rootInfo) != 0 || stat("/proc", &procInfo) != 0 ||
      rootInfo.st_dev == procInfo.st_dev) {
    GTEST_SKIP() << "no separate /proc here";
  }
  testing::RecordingPrompt prompt;
  Paths results;
  WalkDirectory("/", MakeSearchFilter(0, 1, "/proc/self/fd"), results, prompt);
  EXPECT_EQ(std::count(prompt.scanPaths.begin(), prompt.scanPaths.end(), "/proc/self"), 0);
  EXPECT_EQ(std::count(prompt.scanPaths.begin(), prompt.scanPaths.end(), "/proc"), 0);
}

TEST(PortfolioListTest, AlphabeticalIgnoringCase) {
  Paths list = {"/b", "/a2", "/A", "/a/b", "/_x", "/a", "/B/c", "/10"};
  SortPortfolioList(list);
  EXPECT_EQ(list, (Paths{"/10", "/_x", "/A", "/a", "/a/b", "/a2", "/b", "/B/c"}));
}

TEST(FindPortfoliosTest, NothingFoundIsReportedWithTheDrive) {
  testing::TempDir dir;
  testing::RecordingPrompt prompt;
  EXPECT_TRUE(FindPortfolios(dir.str(), MakeSearchFilter(0, 0, ""), prompt).empty());
  EXPECT_EQ(prompt.MessageTexts(),
            (Paths{"No master files found on drive " + dir.str() +
                   "\n\n(Is your Portfolio Search Filter setting correct?)"}));
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});

  testing::RecordingPrompt none;
  EXPECT_TRUE(FindPortfolios(kNoDrive, MakeSearchFilter(0, 0, ""), none).empty());
  EXPECT_TRUE(none.scanPaths.empty());
  EXPECT_EQ(none.messages.size(), 1u);
}

}  // namespace
}  // namespace voltrim
