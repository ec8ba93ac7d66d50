#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  fs::path ConfPath() const { return dir_.path() / "Tolvane Software" / "Voltrim.conf"; }
  SettingsStore::OpenResult Open(SettingsStore& store) { return store.OpenRoot(ConfPath()); }

  TempDir dir_;
};

TEST_F(SettingsStoreTest, OpenRootCreatesTheFileOnlyOnce) {
  {
    SettingsStore store;
    const auto first = Open(store);
    EXPECT_TRUE(first.ok);
    EXPECT_TRUE(first.created);
    EXPECT_TRUE(fs::exists(ConfPath()));
  }
  SettingsStore store;
  const auto second = Open(store);
  EXPECT_TRUE(second.ok);
  EXPECT_FALSE(second.created);
}

TEST_F(SettingsStoreTest, IntegersAreTextParsedFromTheStart) {
  SettingsStore store;
  Open(store);
  EXPECT_TRUE(store.SetInt("Screen", "x", -5));
  EXPECT_EQ(store.GetString("Screen", "x", ""), "-5");
  EXPECT_EQ(store.GetInt("Screen", "x", 0), -5);

  store.SetString("Screen", "y", "12abc");
  EXPECT_EQ(store.GetInt("Screen", "y", 7), 12);
  store.SetString("Screen", "y", "abc");
  EXPECT_EQ(store.GetInt("Screen", "y", 7), 7);
  store.SetString("Screen", "y", "");
  EXPECT_EQ(store.GetInt("Screen", "y", 7), 7);
  EXPECT_EQ(store.GetInt("Screen", "missing", 3), 3);
  EXPECT_EQ(store.GetInt("NoSection", "x", 4), 4);
}

TEST_F(SettingsStoreTest, ReadLimitIs259Characters) {
  SettingsStore store;
  Open(store);
  const std::string fits(259, 'a');
  const std::string tooLong(260, 'b');
  store.SetString("S", "fits", fits);
  store.SetString("S", "long", tooLong);
  EXPECT_EQ(store.GetString("S", "fits", "default"), fits);
  EXPECT_EQ(store.GetString("S", "long", "default"), "default");
  store.SetString("S", "num", "5" + std::string(259, ' '));
  EXPECT_EQ(store.GetInt("S", "num", 9), 9);
}

TEST_F(SettingsStoreTest, AnyTextRoundTripsThroughTheFile) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"commas", "a,b,c"},
      {"quotes", "say \"hi\" 'there'"},
      {"semicolon", "x; y ;z"},
      {"equals", "a=b=c"},
      {"slashes", "/mnt/data\\sub/"},
      {"spaces", "  padded both ends  "},
      {"at", "@Variant(oops)"},
      {"hash", "# not a comment"},
      {"latin1", "caf\xe9 \xff"},
      {"control", "tab\there\nnew line"},
      {"a/b", "name with a slash"},
      {"back\\slash", "name with a backslash"},
      {"Limit ", " spaced name"},
      {"", "empty name"},
      {"ctl\x01name", "control in the name"},
  };
  {
    SettingsStore store;
    Open(store);
    for (const auto& [name, value] : values)
      EXPECT_TRUE(store.SetString("My Section", name, value));
    EXPECT_TRUE(store.SetString("General", "k", "general group"));
    EXPECT_TRUE(store.SetString("a/b", "k", "slash section"));
  }
  SettingsStore reopened;
  Open(reopened);
  for (const auto& [name, value] : values) {
    EXPECT_EQ(reopened.GetString("My Section", name, "default"), value) << name;
  }
  EXPECT_EQ(reopened.GetString("General", "k", ""), "general group");
  EXPECT_EQ(reopened.GetString("a/b", "k", ""), "slash section");
  EXPECT_EQ(reopened.GetString("a", "b/k", "none"), "none");
}

TEST_F(SettingsStoreTest, NamesMatchWithoutRegardToCase) {
  SettingsStore store;
  Open(store);
  store.SetString("search", "LIMIT", "0");
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 1), 0);
  store.SetInt(settings::kSearch, settings::kLimit, 1);
  EXPECT_EQ(store.GetString("SEARCH", "limit", ""), "1");
  // The value was replaced in place, not stored a second time.
  EXPECT_EQ(ReadText(ConfPath()).find("Limit"), std::string::npos);
}

TEST_F(SettingsStoreTest, ReadsNeverCreateSections) {
  SettingsStore store;
  Open(store);
  store.SetInt("Screen", "x", 1);
  const std::string before = ReadText(ConfPath());
  store.GetInt("Other", "x", 0);
  store.GetString("Another", "y", "");
  store.GetString("Screen", "z", "");
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(ReadText(ConfPath()), before);
  EXPECT_EQ(before.find("Other"), std::string::npos);
}

TEST_F(SettingsStoreTest, WritesReachTheFileAtOnce) {
  SettingsStore store;
  Open(store);
  store.SetString(settings::kSettings, settings::kDrive, "/mnt/data");
  // Another reader sees the value while the store is still open.
  SettingsStore other;
  Open(other);
  EXPECT_EQ(other.GetString(settings::kSettings, settings::kDrive, ""), "/mnt/data");
}

TEST_F(SettingsStoreTest, UnwritableStoreKeepsRunning) {
  WriteText(dir_.path() / "file", "not a folder");
  SettingsStore store;
  const auto result = store.OpenRoot((dir_.path() / "file" / "Voltrim.conf").string());
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.created);
  EXPECT_EQ(store.path(), (dir_.path() / "file" / "Voltrim.conf").string());
  EXPECT_FALSE(store.SetInt("Screen", "x", 5));
  EXPECT_FALSE(store.SetString("Screen", "y", "5"));
  EXPECT_EQ(store.GetInt("Screen", "x", 1), 1);
  EXPECT_EQ(store.GetString("Screen", "y", "d"), "d");
  store.ImportIni((dir_.path() / "none.INI").string());

  SettingsStore unopened;
  EXPECT_EQ(unopened.GetInt("Screen", "x", 2), 2);
  EXPECT_FALSE(unopened.SetInt("Screen", "x", 5));
}

TEST_F(SettingsStoreTest, FailedWriteIsReportedAndNotShownAsStored) {
  SettingsStore store;
  Open(store);
  ASSERT_TRUE(store.SetString("S", "k", "old"));
  // The folder vanishes under the store and a file takes its place: saving must fail.
  const fs::path folder = ConfPath().parent_path();
  const fs::path aside = dir_.path() / "aside";
  fs::rename(folder, aside);
  WriteText(folder, "blocker");
  EXPECT_FALSE(store.SetString("S", "k", "new"));
  EXPECT_FALSE(store.SetString("S", "fresh", "value"));
  fs::remove(folder);
  fs::rename(aside, folder);
  EXPECT_EQ(store.GetString("S", "k", ""), "old");
  EXPECT_EQ(store.GetString("S", "fresh", "none"), "none");
  // Once the folder is back, writing works again.
  EXPECT_TRUE(store.SetString("S", "k", "newer"));
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(reopened.GetString("S", "k", ""), "newer");
  EXPECT_EQ(reopened.GetString("S", "fresh", "none"), "none");
}

TEST_F(SettingsStoreTest, MalformedFileStillTakesWrites) {
  fs::create_directories(ConfPath().parent_path());
  WriteText(ConfPath(), "[Screen\nx=4\n[S]\nk=v\n");
  SettingsStore store;
  EXPECT_TRUE(Open(store).ok);
  EXPECT_EQ(store.GetString("S", "k", ""), "v");
  EXPECT_TRUE(store.SetInt("Screen", "y", 1));
  EXPECT_TRUE(store.SetInt("Screen", "y", 2));
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(reopened.GetInt("Screen", "y", 0), 2);
  EXPECT_EQ(reopened.GetString("S", "k", ""), "v");
}

TEST_F(SettingsStoreTest, SeedingOnFirstStartOnly) {
  const fs::path seed = dir_.path() / "Voltrim.INI";
  WriteText(seed, "[Search]\r\nLimit=0\r\nName=C:\\DATA\r\n");
  {
    SettingsStore store;
    if (Open(store).created) store.ImportIni(seed.string());
    EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 1), 0);
    EXPECT_EQ(store.GetString(settings::kSearch, settings::kName, ""), "C:\\DATA");
    store.SetInt(settings::kSearch, settings::kLimit, 1);
  }
  WriteText(seed, "[Search]\nLimit=5\n");
  SettingsStore store;
  if (Open(store).created) store.ImportIni(seed.string());
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 9), 1);
}

TEST_F(SettingsStoreTest, SeedingKeepsSpacesAroundEquals) {
  const fs::path seed = dir_.path() / "Voltrim.INI";
  WriteText(seed, "[ Export Sel ]\nStarter = out.txt\n");
  SettingsStore store;
  Open(store);
  store.ImportIni(seed.string());
  EXPECT_EQ(store.GetString("Export Sel", "Starter ", ""), " out.txt");
  EXPECT_EQ(store.GetString("Export Sel", "Starter", "none"), "none");
}

TEST_F(SettingsStoreTest, MissingSeedFileSeedsNothing) {
  SettingsStore store;
  Open(store);
  store.ImportIni((dir_.path() / "absent.INI").string());
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 1), 1);
}

}  // namespace
}  // namespace voltrim
