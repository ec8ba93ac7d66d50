#include <gtest/gtest.h>

#include "browser/discovery_filter.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

TEST(FilterAdmitsTest, PlainSubstringBothWaysIgnoringCase) {
  const SearchFilter filter = MakeSearchFilter(0, 1, "/metastock/Data");
  EXPECT_EQ(filter.filterUpper, "/METASTOCK/DATA");
  struct Case {
    const char* path;
    bool admitted;
  };
  for (const Case& c :
       {Case{"/metastock", true}, Case{"/MetaStock/data", true},
        Case{"/metastock/data/2020/x", true}, Case{"/metastock/data2", true}, Case{"/meta", true},
        Case{"/metastock/dat", true}, Case{"/windows", false}, Case{"/other", false},
        Case{"/other/metastock", false}, Case{"/metastock/other", false}}) {
    EXPECT_EQ(FilterAdmits(filter, c.path), c.admitted) << c.path;
  }
  const SearchFilter bare = MakeSearchFilter(0, 1, "data");
  EXPECT_TRUE(FilterAdmits(bare, "/data"));
  EXPECT_TRUE(FilterAdmits(bare, "/mydata/deeper"));
  EXPECT_FALSE(FilterAdmits(bare, "/home"));
  EXPECT_TRUE(FilterAdmits(MakeSearchFilter(0, 0, "/metastock/data"), "/windows"));
}

TEST(SearchFilterSettingsTest, DefaultsAndRoundTrip) {
  testing::TempDir dir;
  SettingsStore store;
  store.OpenRoot((dir.path() / "Voltrim.conf").string());
  const SearchFilter defaults = LoadSearchFilter(store, "/home/ann/Stocks");
  EXPECT_EQ(defaults.limit, 1);
  EXPECT_EQ(defaults.masterFix, 0);
  EXPECT_EQ(defaults.filterName, "/home/ann/Stocks");
  EXPECT_EQ(defaults.filterUpper, "/HOME/ANN/STOCKS");

  SaveSearchFilter(store, MakeSearchFilter(1, 0, "/mnt/data, old"));
  EXPECT_EQ(store.GetString(settings::kSearch, settings::kLimit, ""), "0");
  const SearchFilter loaded = LoadSearchFilter(store, "/elsewhere");
  EXPECT_EQ(loaded.limit, 0);
  EXPECT_EQ(loaded.masterFix, 1);
  EXPECT_EQ(loaded.filterName, "/mnt/data, old");
}

TEST(SearchFilterCommandTest, RescanOnlyWhenTheWalkWouldChange) {
  const SearchFilter on = MakeSearchFilter(0, 1, "/data");
  const SearchFilter off = MakeSearchFilter(0, 0, "/data");
  EXPECT_TRUE(RescanDue(on, off));
  EXPECT_TRUE(RescanDue(off, on));
  EXPECT_FALSE(RescanDue(off, MakeSearchFilter(0, 0, "/other")));
  EXPECT_FALSE(RescanDue(on, MakeSearchFilter(0, 1, "/DATA")));
  EXPECT_TRUE(RescanDue(on, MakeSearchFilter(0, 1, "/data2")));
  EXPECT_FALSE(RescanDue(on, MakeSearchFilter(1, 1, "/data")));
}

TEST(SearchFilterCommandTest, OkCheckAndTheDriveRescanned) {
  const std::vector<std::string> drives = {"/", "/mnt/data"};
  EXPECT_TRUE(SearchFilterPathAccepted(true, "/mnt/data/stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "", drives));
  EXPECT_TRUE(SearchFilterPathAccepted(false, "stocks", drives));
  EXPECT_FALSE(SearchFilterPathAccepted(true, "/home", {"/mnt/data"}));

  EXPECT_EQ(DriveForRescan(MakeSearchFilter(0, 1, "/mnt/data/x"), drives, "/"), "/mnt/data");
  EXPECT_EQ(DriveForRescan(MakeSearchFilter(0, 0, "stocks"), drives, "/mnt/data"), "/mnt/data");
}

TEST(SearchFilterCommandTest, ApplySavesAndDecides) {
  testing::TempDir dir;
  SettingsStore store;
  store.OpenRoot((dir.path() / "Voltrim.conf").string());
  const std::vector<std::string> drives = {"/", "/mnt/data"};
  const SearchFilter before = MakeSearchFilter(0, 1, "/home/ann");

  const auto change = SaveSearchFilterChange(store, before, true, "/mnt/data/x", true, drives, "/");
  EXPECT_TRUE(change.rescan);
  EXPECT_EQ(change.drive, "/mnt/data");
  EXPECT_EQ(change.filter.masterFix, 1);
  EXPECT_EQ(store.GetString(settings::kSearch, settings::kName, ""), "/mnt/data/x");
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kMasterFix, 0), 1);

  const auto same =
      SaveSearchFilterChange(store, change.filter, true, "/MNT/DATA/X", true, drives, "/mnt/data");
  EXPECT_FALSE(same.rescan);
  EXPECT_EQ(store.GetString(settings::kSearch, settings::kName, ""), "/MNT/DATA/X");
}

}  // namespace
}  // namespace voltrim
