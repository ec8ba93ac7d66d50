#include <gtest/gtest.h>

#include "write_commands.h"

namespace voltrim::testing {
namespace {

// The data and index files, as the portfolio reads them.
Snapshot Lasting(const fs::path& root) {
  Snapshot all = TakeSnapshot(root);
  std::erase_if(all, [](const auto& entry) {
    const std::string name = fs::path(entry.first).filename().string();
    const std::string ext = fs::path(name).extension().string();
    return IsWriterTemporaryName(name) || IsUndoFileName(name) || ext == ".BAK" || ext == ".NEW" ||
           name == "input.csv";
  });
  return all;
}

// A change's journal stays until the next change's replaces it. The update, failing part way,
// takes back what it did through the journal it leaves; failing at any step, it must never
// take back the change before it: each file stays as that change left it, or the update's.
TEST(PreviousJournal, AFailedUpdateNeverTakesBackTheChangeBeforeIt) {
  WriteCommand update;
  for (const WriteCommand& row : WriteCommands())
    if (std::string(row.name) == "update") update = row;
  // A series the update leaves alone.
  const auto earlier = [](const std::string& p) {
    const DayNumber day = Day(2000, 1, 3);
    return RewriteSeries(Edit(edit_kind::kSet, day, day, {7, 8, 6, 7.5f, 70}), p, "OTHER");
  };
  TempDir reference;
  MakeFixture(reference.path(), update);
  ASSERT_EQ(earlier((reference.path() / "p").string()), kOk);
  ASSERT_EQ(update.run((reference.path() / "p").string(), (reference.path() / "q").string()), kOk);
  const Snapshot done = Lasting(reference.path());
  for (long k = 1; k < 500; ++k) {
    SCOPED_TRACE(::testing::Message() << "operation " << k);
    TempDir temp;
    MakeFixture(temp.path(), update);
    ASSERT_EQ(earlier((temp.path() / "p").string()), kOk);
    const Snapshot before = Lasting(temp.path());
    file_ops::ArmFault(k, file_ops::FaultKind::kFail);
    (void)update.run((temp.path() / "p").string(), (temp.path() / "q").string());
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    if (!hit) return;
    const Snapshot now = Lasting(temp.path());
    std::set<std::string> paths;
    for (const Snapshot* snapshot : {&before, &now})
      for (const auto& entry : *snapshot) paths.insert(entry.first);
    const auto at = [](const Snapshot& s, const std::string& path) {
      return s.count(path) ? std::optional<Bytes>(s.at(path)) : std::nullopt;
    };
    for (const std::string& path : paths)
      EXPECT_TRUE(at(now, path) == at(before, path) || at(now, path) == at(done, path)) << path;
    if (::testing::Test::HasFailure()) return;
  }
  ADD_FAILURE() << "never finished";
}

}  // namespace
}  // namespace voltrim::testing
