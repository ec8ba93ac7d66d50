#include <gtest/gtest.h>

#include "browser/discovery_filter.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

TEST(FilterAdmitsTest, PlainSubstringBothWaysIgnoringCase) {
  const SearchFilter filter = MakeSearchFilter(0, 1, "/metastock/Data");
  const std::pair<const char*, bool> cases[] = {
      {"/metastock", true},        {"/MetaStock/data", true}, {"/metastock/data/2020/x", true},
      {"/metastock/data2", true},  {"/meta", true},           {"/metastock/dat", true},
      {"/windows", false},         {"/other", false},         {"/other/metastock", false},
      {"/metastock/other", false},
  };
  for (const auto& [path, admitted] : cases)
    EXPECT_EQ(FilterAdmits(filter, path), admitted) << path;
  const SearchFilter bare = MakeSearchFilter(0, 1, "data");
  EXPECT_TRUE(FilterAdmits(bare, "/mydata/deeper"));
  EXPECT_FALSE(FilterAdmits(bare, "/home"));
  EXPECT_TRUE(FilterAdmits(MakeSearchFilter(0, 0, "/metastock/data"), "/windows"));
}

TEST(SearchFilterCommandTest, RescanOnlyWhenTheWalkWouldChange) {
  const SearchFilter on = MakeSearchFilter(0, 1, "/data");
  const SearchFilter off = MakeSearchFilter(0, 0, "/data");
  EXPECT_TRUE(RescanDue(on, off));
  EXPECT_TRUE(RescanDue(off, on));
  EXPECT_FALSE(RescanDue(off, MakeSearchFilter(0, 0, "/other")));
  EXPECT_FALSE(RescanDue(on, MakeSearchFilter(1, 1, "/DATA")));
  EXPECT_TRUE(RescanDue(on, MakeSearchFilter(0, 1, "/data2")));
}

TEST(SearchFilterCommandTest, OkCheckAndTheDriveRescanned) {
  const std::vector<std::string> drives = {"/", "/mnt/data"};
  EXPECT_TRUE(SearchFilterPathAccepted(true, "/mnt/data/stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "", drives));
  EXPECT_TRUE(SearchFilterPathAccepted(false, "stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "/home", {"/mnt/data"}));
  // Limit off with a path on no drive: the current drive is scanned again.
  EXPECT_EQ(DriveForRescan(MakeSearchFilter(0, 0, "stocks"), drives, "/mnt/data"), "/mnt/data");
}

TEST(SearchFilterCommandTest, SettingsDefaultsAndTheCommandsWrites) {
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
