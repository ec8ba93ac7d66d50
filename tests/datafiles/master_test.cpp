#include "datafiles/format/master.h"

#include <gtest/gtest.h>

#include "fixtures.h"

namespace voltrim::testing {
namespace {

// "file number @ folder below root" of what FindSymbol found, or the status when it failed.
std::string Lookup(const std::filesystem::path& root, std::string_view text) {
  FoundSymbol found;
  const Status status = FindSymbol(root.string(), text, found);
  if (status != kOk) return "status " + std::to_string(status);
  return std::to_string(found.record.FileNumber()) + " @ " +
         found.directory.substr(root.string().size());
}
const std::string kNotFound = "status " + std::to_string(kFileNotFound);

TEST(FindSymbol, NameOrSymbolTopLevelFirstThenSubdirectoriesDepthFirst) {
  TempDir tmp;
  const auto& d = tmp.path();
  Write(d, Portfolio({SubdirectoryEntry("SUB1"), SubdirectoryEntry("EMPTY"),
                      SubdirectoryEntry("SUB2"), Symbol(1, "X", "Alpha"), Symbol(2, "XYZ", "IBM"),
                      Symbol(5, "IBM", "Intl Business")}));
  Write(d / "SUB1", Portfolio({SubdirectoryEntry("DEEP"), Symbol(2, "Y")}));
  Write(d / "SUB1" / "DEEP", Portfolio({Symbol(3, "Z"), Symbol(4, "X")}));
  std::filesystem::create_directory(d / "EMPTY");  // no MASTER: contributes nothing
  // Folder and file names match without regard to case.
  Write(d / "sub2", Portfolio({Symbol(5, "Z"), Symbol(6, "Y"), Symbol(7, "W")}));
  std::filesystem::rename(d / "sub2" / "MASTER", d / "sub2" / "master");
  const std::pair<const char*, std::string> cases[] = {
      {"x", "1 @ /"},           {"alpha", "1 @ /"},         {"ibm", "2 @ /"},
      {"IB", kNotFound},        {"intl business", "5 @ /"}, {"Y", "2 @ /SUB1/"},
      {"Z", "3 @ /SUB1/DEEP/"}, {"w", "7 @ /sub2/"},        {"V", kNotFound}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Lookup(d, text), expected) << text;
}

TEST(FindSymbol, RecordMatchingRules) {
  MasterRecord record;
  record.SetNameField("Berkshire");
  record.SetSymbolField("BRK A");
  EXPECT_TRUE(RecordMatches(record, "BRK"));  // stops after as many blanks as the search has
  EXPECT_FALSE(RecordMatches(record, "BRK B"));
  EXPECT_TRUE(RecordMatches(record, "brk a"));
  EXPECT_TRUE(RecordMatches(record, "BERKSHIRE"));
  EXPECT_FALSE(RecordMatches(record, "Berkshire "));  // names are compared without their blanks
  EXPECT_FALSE(RecordMatches(record, "Berk"));
  record.SetSymbolField(std::string("AB\0CD", 5));  // the symbol ends at a NUL
  EXPECT_TRUE(RecordMatches(record, "AB"));
  EXPECT_FALSE(RecordMatches(record, std::string("AB\0CD", 5)));
  record.SetSymbolField("ABCDEFGHIJKLMNOP");  // the whole field
  EXPECT_TRUE(RecordMatches(record, "abcdefghijklmnop"));
  EXPECT_FALSE(RecordMatches(record, "ABCDEFGHIJKLMNO"));
  // A <DIR> marker after a blank first character is an ordinary record.
  record.SetNameField("           <DIR>");
  EXPECT_FALSE(record.IsSubdirectory());
}

TEST(FindSymbol, HostileTreesAreWalkedSafely) {
  TempDir tmp;
  // Entries that leave the tree or loop back are not followed.
  Write(tmp.path(), Portfolio({Symbol(1, "OUTSIDE")}));
  const auto inner = tmp.path() / "p";
  Write(inner, Portfolio({SubdirectoryEntry(".."), SubdirectoryEntry("."),
                          SubdirectoryEntry("../p"), SubdirectoryEntry("LOOP")}));
  std::filesystem::create_directory_symlink(".", inner / "LOOP");
  EXPECT_EQ(Lookup(inner, "OUTSIDE"), kNotFound);

  // Nesting is bounded only by the system's path length: 60 levels of long names are
  // searched to the bottom.
  std::filesystem::path dir = tmp.path() / "deep";
  for (int level = 0; level < 60; ++level, dir /= "LEVEL_NN")
    Write(dir, Portfolio({SubdirectoryEntry("LEVEL_NN"),
                          Symbol(level + 1, "L" + std::to_string(level))}));
  ASSERT_GT(dir.string().size(), 540u);
  EXPECT_EQ(Lookup(tmp.path() / "deep", "L59").substr(0, 3), "60 ");

  // A MASTER counting more records than it holds ends its level, subdirectories too.
  PortfolioSpec truncated = Portfolio({Symbol(1, "A"), SubdirectoryEntry("SUB"), Symbol(2, "B")});
  truncated.headerRecordCount = 5;
  Write(tmp.path() / "t", truncated);
  Write(tmp.path() / "t" / "SUB", Portfolio({Symbol(3, "C")}));
  EXPECT_EQ(Lookup(tmp.path() / "t", "B"), "2 @ /");
  EXPECT_EQ(Lookup(tmp.path() / "t", "C"), kNotFound);

  // A missing or damaged top MASTER finds nothing.
  EXPECT_EQ(Lookup(tmp.path() / "nowhere", "A"), kNotFound);
  truncated.headerRecordCount = 0xFFFF;  // stored as -1
  Write(tmp.path() / "t", truncated);
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(tmp.str() + "/t/MASTER", master), kDamagedFile);
  EXPECT_EQ(Lookup(tmp.path() / "t", "A"), kNotFound);
  WriteFileBytes(tmp.path() / "t" / "MASTER", {1, 0, 1, 0});
  EXPECT_EQ(ReadMasterFile(tmp.str() + "/t/MASTER", master), kFileRead);
}

// Programs leave unused space past the counted records as zero bytes; anything else there
// (or too few records) means the file is not what its header says.
TEST(ReadMasterFile, ZeroRecordsPastTheCountAreUnusedSpace) {
  const struct {
    const char* what;
    Bytes tail;  // appended after a MASTER of two records
    int headerCount;
    bool matches;
    std::size_t trailing;
    std::size_t records = 2;
  } cases[] = {
      {"nothing past the count", {}, 2, true, 0},
      {"one zero record", Bytes(53, 0), 2, true, 1},
      {"two zero records and a piece", Bytes(53 * 2 + 20, 0), 2, true, 2},
      {"a record with one byte set",
       [] {
         Bytes b(53, 0);
         b[40] = 'X';
         return b;
       }(),
       2, false, 1},
      {"a trailing piece with a byte set", Bytes(52, 1), 2, true, 0},
      {"fewer records than counted", {}, 3, false, 0},
      {"a count far past the file", {}, 32767, false, 0},
      // Read in more than one step: 300 counted, 298 of them blank.
      {"more counted records than one read takes", Bytes(53 * 298, 0), 300, true, 0, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir tmp;
    PortfolioSpec plan = Portfolio({Symbol(1, "A"), Symbol(2, "B")});
    plan.headerRecordCount = c.headerCount;
    Write(tmp.path(), plan);
    Bytes bytes = ReadFileBytes(tmp.path() / "MASTER");
    bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
    WriteFileBytes(tmp.path() / "MASTER", bytes);
    MasterFile master;
    ASSERT_EQ(ReadMasterFile(tmp.str() + "/MASTER", master), kOk);
    EXPECT_EQ(master.RecordsMatchCount(), c.matches);
    EXPECT_EQ(master.trailingRecords, c.trailing);
    EXPECT_EQ(master.records.size(), c.records);
  }
}

}  // namespace
}  // namespace voltrim::testing
