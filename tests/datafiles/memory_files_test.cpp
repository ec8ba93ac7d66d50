#include "datafiles/io/memory_files.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "datafiles/io/file_ops.h"
#include "fixtures.h"

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

}  // namespace
}  // namespace voltrim::testing
