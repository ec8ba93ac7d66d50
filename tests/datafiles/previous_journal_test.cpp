#include <gtest/gtest.h>

#include "write_commands.h"

namespace voltrim::testing {
namespace {

// The data and index files below root.
Snapshot PortfolioFiles(const fs::path& root) {
  Snapshot files = TakeSnapshot(root);
  std::erase_if(files, [](const auto& file) {
    const fs::path name = fs::path(file.first).filename();
    const std::string ext = name.extension().string();
    return name != "MASTER" && name != "EMASTER" && name != "XMASTER" && ext != ".DAT" &&
           ext != ".MWD" && ext != ".DOP";
  });
  return files;
}

// A change's journal stays until the next change's replaces it. The update, failing part way,
// takes back what it did through its own journal; failing at any step, it must never take
// back the change before it (an edit of a series it leaves alone): each data and index file
// stays as that change left it, or becomes the update's.
TEST(PreviousJournal, AFailedUpdateNeverTakesBackTheChangeBeforeIt) {
  const std::vector<WriteCommand> rows = WriteCommands();
  const WriteCommand& update = *std::find_if(
      rows.begin(), rows.end(), [](const auto& row) { return std::string(row.name) == "update"; });
  const auto edited = [&](const fs::path& root) {
    MakeFixture(root, update);
    const DayNumber day = Day(2000, 1, 3);
    const SeriesEdit edit = Edit(edit_kind::kSet, day, day, {7, 8, 6, 7.5f, 70});
    EXPECT_EQ(RewriteSeries(edit, (root / "p").string(), "OTHER"), kOk);
    return std::pair((root / "p").string(), (root / "q").string());
  };
  TempDir reference;
  const auto [p, q] = edited(reference.path());
  ASSERT_EQ(update.run(p, q), kOk);
  const Snapshot done = PortfolioFiles(reference.path());
  const auto at = [](const Snapshot& s, const std::string& path) {
    return s.count(path) ? std::optional<Bytes>(s.at(path)) : std::nullopt;
  };
  for (long k = 1; k < 500; ++k) {
    SCOPED_TRACE(::testing::Message() << "operation " << k);
    TempDir temp;
    const auto [tp, tq] = edited(temp.path());
    const Snapshot before = PortfolioFiles(temp.path());
    file_ops::ArmFault(k, file_ops::FaultKind::kFail);
    (void)update.run(tp, tq);
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    if (!hit) return;
    const Snapshot now = PortfolioFiles(temp.path());
    for (const Snapshot* files : {&before, &now})
      for (const auto& [path, bytes] : *files)
        EXPECT_TRUE(at(now, path) == at(before, path) || at(now, path) == at(done, path)) << path;
    if (::testing::Test::HasFailure()) return;
  }
  ADD_FAILURE() << "never finished";
}

}  // namespace
}  // namespace voltrim::testing
