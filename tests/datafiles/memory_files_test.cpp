#include "datafiles/io/memory_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>

#include "datafiles/io/file_ops.h"
#include "fixtures.h"
#include "samples/sample_portfolios.h"

namespace voltrim::testing {
namespace {

using file_ops::MemoryFiles;

TEST(MemoryFilesTest, PathsNameOneFileHoweverTheyAreWritten) {
  const std::pair<const char*, const char*> cases[] = {
      {"/p/", "p"}, {"p//q/./r", "p/q/r"},  {"/p/../q", "q"},    {"../..", ""}, {"", ""},
      {"/", ""},    {"./F1.DAT", "F1.DAT"}, {"p/SUB/", "p/SUB"},
  };
  for (const auto& [path, normal] : cases) EXPECT_EQ(MemoryFiles::Normal(path), normal) << path;
}

// Each operation answers as the system would, and hard links share their bytes.
TEST(MemoryFilesTest, OperationsAnswerAsTheSystemDoes) {
  MemoryFiles files;
  files.MakeFolder("/p/SUB");
  const Bytes one = {1};
  ASSERT_TRUE(files.PutFile("/p/A", one.data(), one.size()));
  std::shared_ptr<file_ops::MemoryNode> node;
  EXPECT_EQ(files.Create("/missing/A", node), ENOENT);
  EXPECT_EQ(files.Create("/p/A", node), EEXIST);
  EXPECT_EQ(files.Create("/p/A/B", node), ENOTDIR);
  ASSERT_EQ(files.Create("/p/B", node), 0);
  node->bytes = {2};
  EXPECT_EQ(files.Link("/p/B", "/p/A"), EEXIST);
  EXPECT_EQ(files.Link("/p/B", "/p/SUB/B"), 0);
  EXPECT_EQ(files.Rename("/p/B", "/p/A"), 0);  // replaces A
  EXPECT_EQ(files.Rename("/p/B", "/p/C"), ENOENT);
  EXPECT_EQ(files.Rename("/p/A", "/p/SUB"), EISDIR);
  EXPECT_EQ(files.Remove("/p/SUB"), EISDIR);
  EXPECT_EQ(files.Remove("/p/C"), ENOENT);
  node->bytes.push_back(3);  // seen under both names
  const std::map<std::string, std::vector<std::uint8_t>> expected = {{"p/A", {2, 3}},
                                                                     {"p/SUB/B", {2, 3}}};
  EXPECT_EQ(files.Files(), expected);
  const auto names = [&](std::string_view folder) {
    std::vector<std::string> listed;
    if (!files.List(folder, [&](std::string_view name) {
          listed.emplace_back(name);
          return true;
        }))
      listed.push_back("(no folder)");
    return listed;
  };
  EXPECT_EQ(names("/p/"), (std::vector<std::string>{"A", "SUB"}));
  EXPECT_EQ(names("/p/A"), std::vector<std::string>{"(no folder)"});
  EXPECT_EQ(names(""), std::vector<std::string>{"p"});
}

// Everything the readers make of one symbol, as text.
std::string ReadingOf(const std::string& folder, const std::string& symbol) {
  SeriesLocation location;
  std::string text = "locate " + std::to_string(LocateSeries(folder, symbol, location));
  text += " " + location.found.directory + " " + location.datPath + " " + location.dopPath;
  for (const ColumnField& field : location.layout.fields)
    text += " " + std::to_string(field.position);
  // The first and the last quotes: the reading paths are the same for those between.
  SeriesBuffer buffer(32);
  for (const int start : {0, -32}) {
    text += "\nread " + std::to_string(ReadSeries(buffer, folder, symbol, start, 32)) + " of " +
            std::to_string(buffer.Total());
    for (int i = 0; i < buffer.Count(); ++i) {
      const Quote q = buffer.At(i);
      char line[160];
      std::snprintf(line, sizeof line, "\n%u %u %a %a %a %a %a %a", q.date, q.time, q.open, q.high,
                    q.low, q.close, q.volume, q.openInterest);
      text += line;
    }
  }
  return text;
}

// The symbols of every MASTER and XMASTER below root, each with the folder it is in.
std::vector<std::pair<std::string, std::string>> SymbolsBelow(const fs::path& root) {
  std::vector<std::pair<std::string, std::string>> symbols;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string folder = entry.path().parent_path().string();
    const std::string name = entry.path().filename().string();
    MasterFile master;
    if ((name == "MASTER" || name == "master") && ReadMasterFile(entry.path(), master) == kOk) {
      for (const MasterRecord& record : master.records)
        symbols.emplace_back(folder, SymbolText(record.bytes.data()));
    }
    XmasterFile xmaster;
    if (name == "XMASTER" && ReadXmasterFile(folder, xmaster) == kOk) {
      for (const XmasterRecord& record : xmaster.records)
        symbols.emplace_back(folder, record.symbol);
    }
  }
  return symbols;
}

// The demonstration portfolios and the real data folders read the same from memory as
// from the disk: lookups through subdirectories, names in other cases, DOP files or none,
// XMASTER series.
TEST(MemoryFilesTest, PortfoliosReadAsFromTheDisk) {
  TempDir temp;
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios((temp.path() / "samples").string(), written), kOk);
  for (const std::string name : {"bbfinance", "equis-small", "lowercase-names", "stooq-intraday"})
    if (!SharedDataDir().empty() && fs::is_directory(SharedDataDir() / name))
      fs::copy(SharedDataDir() / name, temp.path() / name);
  MemoryFiles files;
  LoadIntoMemory(temp.path(), files);
  const auto symbols = SymbolsBelow(temp.path());
  ASSERT_GT(symbols.size(), 10u);
  for (const auto& [folder, symbol] : symbols) {
    const std::string onDisk = ReadingOf(folder, symbol);
    const file_ops::MemoryFilesScope scope(files);
    EXPECT_EQ(ReadingOf(folder, symbol), onDisk) << folder << " " << symbol;
    // And from the folder above, whose subdirectory entries may lead to it.
    const std::string above = fs::path(folder).parent_path().string();
    file_ops::UseMemoryFiles(nullptr);
    const std::string fromAboveOnDisk = ReadingOf(above, symbol);
    file_ops::UseMemoryFiles(&files);
    EXPECT_EQ(ReadingOf(above, symbol), fromAboveOnDisk) << above << " " << symbol;
  }
}

}  // namespace
}  // namespace voltrim::testing
