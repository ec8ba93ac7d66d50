#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

namespace fs = std::filesystem;

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

  testing::TempDir dir_;
};

TEST_F(SettingsStoreTest, IntegersAreTextsAndReadsStopAt259Characters) {
  SettingsStore store;
  const auto first = Open(store);
  EXPECT_TRUE(first.ok && first.created);
  EXPECT_TRUE(store.SetInt("Screen", "x", -5));
  EXPECT_EQ(store.GetString("Screen", "x", ""), "-5");
  EXPECT_EQ(store.GetInt("Screen", "x", 0), -5);
  store.SetString("Screen", "y", "12abc");
  EXPECT_EQ(store.GetInt("Screen", "y", 7), 12);
  store.SetString("Screen", "y", "abc");
  EXPECT_EQ(store.GetInt("Screen", "y", 7), 7);
  EXPECT_EQ(store.GetInt("NoSection", "x", 4), 4);

  store.SetString("S", "fits", std::string(259, 'a'));
  store.SetString("S", "long", std::string(260, 'b'));
  store.SetString("S", "num", "5" + std::string(259, ' '));
  EXPECT_EQ(store.GetString("S", "fits", "default"), std::string(259, 'a'));
  EXPECT_EQ(store.GetString("S", "long", "default"), "default");
  EXPECT_EQ(store.GetInt("S", "num", 9), 9);

  SettingsStore again;
  EXPECT_FALSE(Open(again).created);
  EXPECT_TRUE(SettingsStore::DefaultPath().ends_with("/Tolvane Software/Voltrim.conf"));
}

TEST_F(SettingsStoreTest, AnyTextRoundTripsThroughTheFileAtOnce) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"commas", "a,b,c"},
      {"quotes", "say \"hi\" 'there'"},
      {"semicolon", "x; y ;z"},
      {"equals", "a=b=c"},
      {"slashes", "/mnt/data\\sub/"},
      {"at", "@Variant(oops)"},
      {"hash", "# not a comment"},
      {"latin1", "caf\xe9 \xff"},
      {"control", "t\tn\nx"},
      {"spaces", "  padded  "},
      {"a/b", "slash in name"},
      {"back\\slash", "x"},
      {"Limit ", " spaced"},
      {"", "empty name"},
      {"ctl\x01name", "y"},
  };
  SettingsStore store;
  Open(store);
  for (const auto& [name, value] : values) EXPECT_TRUE(store.SetString("My Section", name, value));
  store.SetString("General", "k", "general group");
  store.SetString("a/b", "k", "slash section");
  // A second reader sees every value while the first store is still open.
  SettingsStore other;
  Open(other);
  for (const auto& [name, value] : values) {
    EXPECT_EQ(other.GetString("My Section", name, "default"), value) << name;
  }
  EXPECT_EQ(other.GetString("General", "k", ""), "general group");
  EXPECT_EQ(other.GetString("a/b", "k", ""), "slash section");
  EXPECT_EQ(other.GetString("a", "b/k", "none"), "none");
}

TEST_F(SettingsStoreTest, NamesMatchWithoutRegardToCaseAndReadsCreateNothing) {
  SettingsStore store;
  Open(store);
  store.SetString("search", "LIMIT", "0");
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 1), 0);
  store.SetInt(settings::kSearch, settings::kLimit, 1);
  EXPECT_EQ(store.GetString("SEARCH", "limit", ""), "1");
  const std::string stored = ReadText(ConfPath());
  EXPECT_EQ(stored.find("Limit"), std::string::npos);  // replaced in place, not added

  store.GetInt("Other", "x", 0);
  store.GetString("search", "y", "");
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(ReadText(ConfPath()), stored);
}

TEST_F(SettingsStoreTest, UnwritableStoreKeepsRunning) {
  WriteText(dir_.path() / "file", "not a folder");
  const std::string path = (dir_.path() / "file" / "Voltrim.conf").string();
  SettingsStore store;
  const auto result = store.OpenRoot(path);
  EXPECT_FALSE(result.ok || result.created);
  EXPECT_EQ(store.path(), path);
  EXPECT_FALSE(store.SetInt("Screen", "x", 5));
  EXPECT_EQ(store.GetInt("Screen", "x", 1), 1);
  EXPECT_EQ(store.GetString("Screen", "y", "d"), "d");

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
  fs::rename(folder, dir_.path() / "aside");
  WriteText(folder, "blocker");
  EXPECT_FALSE(store.SetString("S", "k", "new"));
  EXPECT_FALSE(store.SetString("S", "fresh", "value"));
  fs::remove(folder);
  fs::rename(dir_.path() / "aside", folder);
  EXPECT_EQ(store.GetString("S", "k", ""), "old");
  EXPECT_EQ(store.GetString("S", "fresh", "none"), "none");
  // Once the folder is back, writing works and says so again.
  EXPECT_TRUE(store.SetString("S", "k", "newer"));
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(reopened.GetString("S", "k", ""), "newer");
}

TEST_F(SettingsStoreTest, MalformedFileStillTakesWrites) {
  fs::create_directories(ConfPath().parent_path());
  WriteText(ConfPath(), "[Screen\nx=4\n[S]\nk=v\n");
  SettingsStore store;
  EXPECT_TRUE(Open(store).ok);
  EXPECT_TRUE(store.SetInt("Screen", "y", 1));
  EXPECT_TRUE(store.SetInt("Screen", "y", 2));
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(reopened.GetInt("Screen", "y", 0), 2);
  EXPECT_EQ(reopened.GetString("S", "k", ""), "v");
}

TEST_F(SettingsStoreTest, SeedingOnFirstStartOnly) {
  const fs::path seed = dir_.path() / "Voltrim.INI";
  WriteText(seed, "[Search]\r\nLimit=0\r\nName=C:\\DATA\r\n[ Xport Sel ]\nStarter = out.txt\n");
  {
    SettingsStore store;
    if (Open(store).created) store.ImportIni(seed.string());
    EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 1), 0);
    EXPECT_EQ(store.GetString(settings::kSearch, settings::kName, ""), "C:\\DATA");
    EXPECT_EQ(store.GetString("Xport Sel", "Starter ", ""), " out.txt");
    store.SetInt(settings::kSearch, settings::kLimit, 1);
  }
  WriteText(seed, "[Search]\nLimit=5\n");
  SettingsStore store;
  if (Open(store).created) store.ImportIni(seed.string());
  EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 9), 1);
}

}  // namespace
}  // namespace voltrim
