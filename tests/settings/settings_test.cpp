#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "settings/seed_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "settings/settings_text.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

namespace fs = std::filesystem;

SeedLine Section(std::string name) { return {SeedLine::Kind::Section, std::move(name), {}}; }
SeedLine Value(std::string name, std::string value) {
  return {SeedLine::Kind::Value, std::move(name), std::move(value)};
}

TEST(SeedFile, SectionsValuesIgnoredLinesLongLinesInPiecesOf519AndNumbersLikePercentD) {
  const std::string text =
      "Orphan=dropped before any section\r\n; a comment\r\n\r\n  [Search]  \r\n"
      "Limit=0\r\nName=C:\\DATA\r\n[ Screen Pos ]\nx = 10\na=b=c\n=empty name\n"
      "no equals sign\n[not]a header]\nk[x]=v\ncut=ab" +
      std::string(1, '\0') + "cd\n[]\nlong=" + std::string(600, 'v') + "\n" +
      std::string(519, 'a') + "b=c\nlast=1";
  const auto lines = ParseSeedText(text);
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(std::vector<SeedLine>(lines.begin(), lines.begin() + 10),
            (std::vector<SeedLine>{Section("Search"), Value("Limit", "0"),
                                   Value("Name", "C:\\DATA"), Section("Screen Pos"),
                                   Value("x ", " 10"), Value("a", "b=c"), Value("", "empty name"),
                                   Value("k[x]", "v"), Value("cut", "ab"), Section("")}));
  // The rest of a long line is a line of its own, a value line when it holds an "=".
  EXPECT_EQ(lines[10].value.size(), kSeedReadChars - 5);
  EXPECT_EQ(lines[11], Value("b", "c"));
  EXPECT_EQ(lines[12], Value("last", "1"));

  const std::optional<int> no;
  const std::pair<const char*, std::optional<int>> cases[] = {
      {"12abc", 12}, {"\t\n +7 x", 7},         {"abc", no},       {"- 5", no},
      {"0x10", 0},   {"-2147483648", INT_MIN}, {"2147483648", no}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(settings_text::ParseLeadingInt(text), expected) << text;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  fs::path ConfPath() const { return dir_.path() / "Voltrim" / "Voltrim.conf"; }
  SettingsStore::OpenResult Open(SettingsStore& store) { return store.OpenRoot(ConfPath()); }

  testing::TempDir dir_;
};

// Any text round trips at once; reads stop at 259 characters.
TEST_F(SettingsStoreTest, AnyTextRoundTripsThroughTheFileAtOnce) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"commas", "a,b,c"},      {"quotes", "say \"hi\"; x"},    {"equals", "a=b=c"},
      {"at", "@Variant(oops)"}, {"latin1", "caf\xe9 \xff"},     {"control", "t\tn\nx"},
      {"spaces", "  padded  "}, {"a/b", "slash in name"},       {"back\\slash", "x"},
      {"", "empty name"},       {"fits", std::string(259, 'a')}};
  SettingsStore store;
  Open(store);
  for (const auto& [name, value] : values) EXPECT_TRUE(store.SetString("My Section", name, value));
  store.SetString("S", "long", std::string(260, 'b'));
  store.SetString("S", "num", "5" + std::string(259, ' '));
  EXPECT_EQ(store.GetString("S", "long", "default"), "default");
  EXPECT_EQ(store.GetInt("S", "num", 9), 9);
  // A second reader sees every value while the first store is still open.
  SettingsStore other;
  Open(other);
  for (const auto& [name, value] : values)
    EXPECT_EQ(other.GetString("My Section", name, "default"), value) << name;
}

TEST_F(SettingsStoreTest, NamesMatchWithoutCaseReadsCreateNothingAndOnlyFailedWritesAreRefused) {
  SettingsStore store;
  Open(store);
  store.SetString("search", "LIMIT", "0");
  store.SetInt(settings::kSearch, settings::kLimit, 1);
  EXPECT_EQ(store.GetString("SEARCH", "limit", ""), "1");
  // Written under the spelling already stored, not added as a second key.
  const std::string stored = testing::ReadText(ConfPath());
  EXPECT_EQ(stored.find("Limit"), std::string::npos);

  store.GetInt("Other", "x", 0);
  store.GetString("search", "y", "");
  SettingsStore reopened;
  Open(reopened);
  EXPECT_EQ(testing::ReadText(ConfPath()), stored);

  // A malformed file still takes writes.
  std::ofstream(ConfPath()) << "[Screen\nx=4\n[S]\nk=v\n";
  SettingsStore malformed;
  EXPECT_TRUE(Open(malformed).ok);
  EXPECT_TRUE(malformed.SetInt("Screen", "y", 2));
  SettingsStore again;
  Open(again);
  EXPECT_EQ(again.GetInt("Screen", "y", 0), 2);
  EXPECT_EQ(again.GetString("S", "k", ""), "v");

  // Failed writes are reported and not shown as stored.
  SettingsStore unopened;
  EXPECT_FALSE(unopened.SetInt("Screen", "x", 5));

  SettingsStore writer;
  Open(writer);
  ASSERT_TRUE(writer.SetString("S", "k", "old"));
  // The folder vanishes under the writer and a file takes its place: saving must fail.
  const fs::path folder = ConfPath().parent_path();
  fs::rename(folder, dir_.path() / "aside");
  std::ofstream(folder) << "blocker";
  EXPECT_FALSE(writer.SetString("S", "k", "new"));
  EXPECT_FALSE(SettingsStore{}.OpenRoot(folder / "Voltrim.conf").ok);
  fs::remove(folder);
  fs::rename(dir_.path() / "aside", folder);
  EXPECT_EQ(writer.GetString("S", "k", ""), "old");
  // Once the folder is back, writing works and says so again.
  EXPECT_TRUE(writer.SetString("S", "k", "newer"));
}

// The seed file, or the settings an earlier version kept under another folder name, are
// taken on the first start only and never over the user's values; the earlier file stays.
TEST_F(SettingsStoreTest, SeedOrEarlierSettingsAreTakenOnTheFirstStartOnly) {
  const fs::path seed = dir_.path() / "Voltrim.INI";
  const fs::path earlier = dir_.path() / "Earlier" / "Voltrim.conf";
  fs::create_directories(earlier.parent_path());
  std::ofstream(earlier) << "[Search]\nLimit=0\n";
  for (const bool carried : {false, true}) {
    fs::remove_all(ConfPath().parent_path());
    std::ofstream(seed)
        << "[Search]\r\nLimit=0\r\nName=C:\\DATA\r\n[ Xport Sel ]\nStarter = out.txt\n";
    for (const int expectedLimit : {0, 1}) {
      if (carried) SettingsStore::CarryOver(earlier.string(), ConfPath().string());
      SettingsStore store;
      if (Open(store).created) store.ImportIni(seed.string());
      EXPECT_EQ(store.GetInt(settings::kSearch, settings::kLimit, 9), expectedLimit);
      EXPECT_EQ(store.GetString("Xport Sel", "Starter ", ""), carried ? "" : " out.txt");
      store.SetInt(settings::kSearch, settings::kLimit, 1);
      std::ofstream(seed) << "[Search]\nLimit=5\n";
    }
  }
  std::ifstream kept(earlier);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "[Search]\nLimit=0\n");
}

}  // namespace
}  // namespace voltrim
