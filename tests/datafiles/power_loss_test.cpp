#include "power_loss.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "datafiles/io/memory_files.h"

namespace voltrim::testing {
namespace {

using Kind = file_ops::Operation::Kind;
using Files = std::map<std::string, std::string>;

file_ops::Operation Op(Kind kind, std::string path, std::string to = "", std::string data = "") {
  return {kind, "/root/" + path, to.empty() ? "" : "/root/" + to, Bytes(data.begin(), data.end())};
}

// The states the model gives after the last operation, as text.
std::set<Files> FinalStates(const Files& before, const std::vector<file_ops::Operation>& record) {
  Snapshot initial;
  for (const auto& [name, text] : before) initial[name] = Bytes(text.begin(), text.end());
  PowerLossModel model("/root", initial, record);
  std::set<Files> last;
  model.ForEachCut(
      [&](std::size_t cut, const PowerLossModel::State&,
          const std::vector<PowerLossModel::State>& states) {
        if (cut + 1 != model.Cuts()) return;
        for (const PowerLossModel::State& state : states) {
          Files files;
          for (const auto& [name, id] : state) {
            const Bytes& bytes = model.Content(id);
            files[name] = std::string(bytes.begin(), bytes.end());
          }
          last.insert(files);
        }
      },
      [&](std::size_t cut) { return cut + 1 == model.Cuts(); });
  return last;
}

// The crash model itself, on small records whose outcomes can be listed by hand.
TEST(PowerLossModelTest, StatesAPowerCutLeaves) {
  const Files old = {{"p/F", "old"}};
  const struct {
    const char* what;
    std::vector<file_ops::Operation> record;
    std::set<Files> states;
  } cases[] = {
      {"renamed and the folder synced, the data not: none, half or all of it",
       {Op(Kind::kCreate, "p/T"), Op(Kind::kWrite, "p/T", "", "abcd"),
        Op(Kind::kRename, "p/T", "p/F"), Op(Kind::kSyncDirectory, "p")},
       {{{"p/F", ""}}, {{"p/F", "ab"}}, {{"p/F", "abcd"}}}},
      {"the data synced, the folder not: the creation and the rename each happened or not",
       {Op(Kind::kCreate, "p/T"), Op(Kind::kWrite, "p/T", "", "new"), Op(Kind::kSync, "p/T"),
        Op(Kind::kRename, "p/T", "p/F")},
       {{{"p/F", "old"}}, {{"p/F", "old"}, {"p/T", "new"}}, {{"p/F", "new"}}}},
      {"everything synced: only the outcome",
       {Op(Kind::kCreate, "p/T"), Op(Kind::kWrite, "p/T", "", "new"), Op(Kind::kSync, "p/T"),
        Op(Kind::kRename, "p/T", "p/F"), Op(Kind::kSyncDirectory, "p")},
       {{{"p/F", "new"}}}},
      {"a link and a removal, neither synced",
       {Op(Kind::kLink, "p/F", "p/G"), Op(Kind::kRemove, "p/F")},
       {{{"p/F", "old"}}, {{"p/F", "old"}, {"p/G", "old"}}, {}, {{"p/G", "old"}}}},
      {"a sync of another folder decides nothing here",
       {Op(Kind::kRemove, "p/F"), Op(Kind::kSyncDirectory, "q")},
       {{{"p/F", "old"}}, {}}},
      {"a new folder whose parent was not synced: its files go with it",
       {Op(Kind::kMakeFolder, "n"), Op(Kind::kSyncDirectory, "."), Op(Kind::kMakeFolder, "n/m"),
        Op(Kind::kCreate, "n/m/F"), Op(Kind::kWrite, "n/m/F", "", "ab"), Op(Kind::kSync, "n/m/F"),
        Op(Kind::kSyncDirectory, "n/m")},
       {{{"p/F", "old"}}, {{"p/F", "old"}, {"n/m/F", "ab"}}}},
      {"a refused operation changed nothing",
       {[] {
         file_ops::Operation refused = Op(Kind::kRemove, "p/F");
         refused.refused = true;
         return refused;
       }()},
       {{{"p/F", "old"}}}},
  };
  for (const auto& c : cases) EXPECT_EQ(FinalStates(old, c.record), c.states) << c.what;
}

using file_ops::MemoryFiles;

// Paths name one file however they are written; each operation answers as the system would,
// and hard links share their bytes.
TEST(MemoryFilesTest, PathsAndOperationsAnswerAsTheSystemDoes) {
  const std::pair<const char*, const char*> cases[] = {
      {"/p/", "p"}, {"p//q/./r", "p/q/r"},  {"/p/../q", "q"},    {"../..", ""}, {"", ""},
      {"/", ""},    {"./F1.DAT", "F1.DAT"}, {"p/SUB/", "p/SUB"},
  };
  for (const auto& [path, normal] : cases) EXPECT_EQ(MemoryFiles::Normal(path), normal) << path;
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
