#include "datafiles/master.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "datafiles/portfolio_files.h"
#include "fixtures.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::SubdirectoryEntry;
using testing::Symbol;
using testing::TempDir;

void Write(const std::filesystem::path& dir, std::vector<PortfolioSpec::Entry> entries) {
  PortfolioSpec plan;
  plan.entries = std::move(entries);
  ASSERT_EQ(WritePortfolio(dir.string(), plan), kOk);
}

// The file number FindSymbol found, or the status when it failed.
int Lookup(const std::filesystem::path& dir, std::string_view text, std::string* where = nullptr) {
  FoundSymbol found;
  const Status status = FindSymbol(dir.string(), text, found);
  if (status != kOk) return status;
  if (where != nullptr) *where = found.directory;
  return found.record.FileNumber();
}

TEST(FindSymbol, NameOrSymbolInFileOrderIgnoringCase) {
  TempDir tmp;
  Write(tmp.path(), {Symbol(1, "AAA", "Alpha"), Symbol(2, "XYZ", "IBM"), Symbol(3, "CCC"),
                     Symbol(4, "DDD"), Symbol(5, "IBM", "Intl Business")});
  EXPECT_EQ(Lookup(tmp.path(), "ibm"), 2);
  EXPECT_EQ(Lookup(tmp.path(), "intl business"), 5);
  EXPECT_EQ(Lookup(tmp.path(), "ddd"), 4);
  EXPECT_EQ(Lookup(tmp.path(), "IB"), kFileNotFound);
  std::string where;
  EXPECT_EQ(Lookup(tmp.path(), "AAA", &where), 1);
  EXPECT_EQ(where, tmp.str() + "/");
}

TEST(FindSymbol, SymbolTextStopsAfterAsManyBlanksAsTheSearchHas) {
  MasterRecord record;
  record.SetNameField("Berkshire");
  record.SetSymbolField("BRK A");
  EXPECT_TRUE(RecordMatches(record, "brk a"));
  EXPECT_TRUE(RecordMatches(record, "BRK"));  // compared up to the first blank
  EXPECT_FALSE(RecordMatches(record, "BRK B"));
  EXPECT_TRUE(RecordMatches(record, "berkshire"));

  MasterRecord nul;
  nul.SetSymbolField(std::string("TU2\0\0\0", 6));
  EXPECT_TRUE(RecordMatches(nul, "tu2"));
}

TEST(FindSymbol, DirMarkerWithBlankFirstCharacterIsAnOrdinaryRecord) {
  MasterRecord record;
  record.SetNameField("           <DIR>");
  EXPECT_FALSE(record.IsSubdirectory());
  record.SetNameField("SUB        <DIR>");
  EXPECT_TRUE(record.IsSubdirectory());
  EXPECT_EQ(record.SubdirectoryName(), "SUB");
}

TEST(FindSymbol, TopLevelFirstThenSubdirectoriesDepthFirstInEntryOrder) {
  TempDir tmp;
  const auto& d = tmp.path();
  Write(d, {SubdirectoryEntry("SUB1"), SubdirectoryEntry("EMPTY"), SubdirectoryEntry("SUB2"),
            Symbol(1, "X")});
  Write(d / "SUB1", {SubdirectoryEntry("DEEP"), Symbol(2, "Y")});
  Write(d / "SUB1" / "DEEP", {Symbol(3, "Z"), Symbol(4, "X")});
  std::filesystem::create_directory(d / "EMPTY");  // no MASTER: contributes nothing
  Write(d / "SUB2", {Symbol(5, "Z"), Symbol(6, "Y"), Symbol(7, "W")});

  std::string where;
  EXPECT_EQ(Lookup(d, "x", &where), 1);
  EXPECT_EQ(where, tmp.str() + "/");
  EXPECT_EQ(Lookup(d, "Y", &where), 2);
  EXPECT_EQ(where, tmp.str() + "/SUB1/");
  EXPECT_EQ(Lookup(d, "Z", &where), 3);
  EXPECT_EQ(where, tmp.str() + "/SUB1/DEEP/");
  EXPECT_EQ(Lookup(d, "W", &where), 7);
  EXPECT_EQ(where, tmp.str() + "/SUB2/");
  EXPECT_EQ(Lookup(d, "V"), kFileNotFound);
}

TEST(FindSymbol, NamesMatchWithoutRegardToCase) {
  TempDir tmp;
  Write(tmp.path(), {SubdirectoryEntry("SUB")});
  Write(tmp.path() / "sub", {Symbol(9, "LOW")});
  std::filesystem::rename(tmp.path() / "sub" / "MASTER", tmp.path() / "sub" / "master");
  std::string where;
  EXPECT_EQ(Lookup(tmp.path(), "low", &where), 9);
  EXPECT_EQ(where, tmp.str() + "/sub/");
}

TEST(FindSymbol, EntriesThatLeaveTheTreeAreNotFollowed) {
  TempDir tmp;
  Write(tmp.path(), {Symbol(1, "OUTSIDE")});
  const auto inner = tmp.path() / "p";
  Write(inner, {SubdirectoryEntry(".."), SubdirectoryEntry("."), SubdirectoryEntry("../p"),
                SubdirectoryEntry("LOOP")});
  std::filesystem::create_directory_symlink(".", inner / "LOOP");
  EXPECT_EQ(Lookup(inner, "OUTSIDE"), kFileNotFound);
  EXPECT_EQ(Lookup(inner, "NOTHING"), kFileNotFound);
}

TEST(FindSymbol, NestingIsBoundedAt33Levels) {
  TempDir tmp;
  std::filesystem::path dir = tmp.path();
  for (int level = 0; level < 35; ++level) {
    Write(dir, {SubdirectoryEntry("D"), Symbol(level + 1, "L" + std::to_string(level))});
    dir /= "D";
  }
  EXPECT_EQ(Lookup(tmp.path(), "L33"), 34);
  EXPECT_EQ(Lookup(tmp.path(), "L34"), kFileNotFound);
}

TEST(FindSymbol, TruncatedMasterSkipsTheRestOfItsLevel) {
  TempDir tmp;
  PortfolioSpec plan;
  plan.entries = {Symbol(1, "A"), SubdirectoryEntry("SUB"), Symbol(2, "B")};
  plan.headerRecordCount = 5;  // two more records than the file holds
  ASSERT_EQ(WritePortfolio(tmp.str(), plan), kOk);
  Write(tmp.path() / "SUB", {Symbol(3, "C")});
  EXPECT_EQ(Lookup(tmp.path(), "B"), 2);
  EXPECT_EQ(Lookup(tmp.path(), "C"), kFileNotFound);
}

TEST(FindSymbol, MissingOrDamagedTopMasterIsNotFound) {
  TempDir tmp;
  EXPECT_EQ(Lookup(tmp.path(), "A"), kFileNotFound);
  EXPECT_EQ(Lookup(tmp.path() / "nowhere", "A"), kFileNotFound);

  PortfolioSpec plan;
  plan.entries = {Symbol(1, "A")};
  plan.headerRecordCount = -1 & 0xFFFF;  // stored as -1
  ASSERT_EQ(WritePortfolio(tmp.str(), plan), kOk);
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(tmp.str() + "/MASTER", master), kDamagedFile);
  EXPECT_EQ(Lookup(tmp.path(), "A"), kFileNotFound);

  testing::WriteFileBytes(tmp.path() / "MASTER", {1, 0, 1, 0});
  EXPECT_EQ(ReadMasterFile(tmp.str() + "/MASTER", master), kFileRead);
}

TEST(MasterFile, KeepsEveryStoredByte) {
  PortfolioSpec plan;
  plan.entries = {Symbol(7, "KEEP", "Kept bytes")};
  std::vector<std::uint8_t> bytes = BuildMasterBytes(plan);
  for (const std::size_t offset : {5u, 20u, 53u + 1u, 53u + 2u, 53u + 23u, 53u + 34u, 53u + 52u})
    bytes[offset] = static_cast<std::uint8_t>(0xA0 + offset % 16);
  bytes.resize(bytes.size() + 53, 0);  // a trailing record past the count is not read
  MasterFile master;
  ASSERT_EQ(ParseMasterBytes(bytes.data(), bytes.size(), master), kOk);
  ASSERT_EQ(master.records.size(), 1u);
  EXPECT_TRUE(std::equal(master.header.bytes.begin(), master.header.bytes.end(), bytes.begin()));
  EXPECT_TRUE(std::equal(master.records[0].bytes.begin(), master.records[0].bytes.end(),
                         bytes.begin() + 53));
  const MasterRecord& r = master.records[0];
  EXPECT_EQ(r.FileNumber(), 7);
  EXPECT_EQ(r.RecordLength(), 24);
  EXPECT_EQ(r.FieldCount(), 6);
  EXPECT_EQ(r.Name(), "Kept bytes");
  EXPECT_EQ(r.NameField(), "Kept bytes      ");
  EXPECT_EQ(r.FirstDate(), 1000103.0f);  // first weekday of 2000
  EXPECT_EQ(r.Periodicity(), 'D');
}

TEST(AcceptMasterPath, RuleOfTheBrowser) {
  EXPECT_FALSE(AcceptMasterPath(nullptr));
  const auto ok = AcceptMasterPath("/data/stocks/MASTER");
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->masterPath, "/data/stocks/MASTER");
  EXPECT_EQ(ok->portfolioDir, "/data/stocks");
  EXPECT_FALSE(AcceptMasterPath("/data/stocks/master"));
  EXPECT_EQ(AcceptMasterPath("/MASTER")->portfolioDir, "/");
  EXPECT_FALSE(AcceptMasterPath("MASTER"));
  const std::string longest = "/" + std::string(290, 'a') + "/MASTER";  // 299 with its NUL
  ASSERT_EQ(longest.size(), 298u);
  EXPECT_TRUE(AcceptMasterPath(longest.c_str()));
  const std::string tooLong = "a" + longest;
  EXPECT_FALSE(AcceptMasterPath(tooLong.c_str()));
}

}  // namespace
}  // namespace voltrim
