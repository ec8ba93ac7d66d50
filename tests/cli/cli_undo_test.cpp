#include <gtest/gtest.h>

#include <functional>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// src holds ACME (1) and BETA (2), dst holds OTHER (1), and demo the demonstration
// portfolios (Legacy has the record with an empty symbol the repair mends). That each undo
// gives back the files byte for byte is checked over the table of write commands; here:
// what it says.
class CliUndoTest : public CliTest {
 protected:
  void SetUp() override {
    src_ = Write(temp_.path() / "src",
                 Portfolio({SeriesEntry(AcmeSeries()), Symbol(2, "BETA", "BETA INC", 1)}));
    Write(temp_.path() / "dst", Portfolio({Symbol(1, "OTHER", "OTHER CO", 1)}));
    ASSERT_EQ(RunLine("sample {demo}").exitCode, 0);
  }

  std::string src_;
};

// Each write command, then undo in the folder named: it names the change it takes back.
TEST_F(CliUndoTest, EveryWriteCommandIsNamedByItsUndo) {
  const std::pair<const char*, const char*> cases[] = {
      {"edit {src} ACME 01/04/00 --open 3 --close 4", "{src} Edit Quotes of ACME"},
      {"split {src} ACME 01/06/00 2 1", "{src} Split ACME"},
      {"adjust {src} ACME 01/03/00 01/06/00 --price 2 --volume 3", "{src} Adjust ACME"},
      {"add-quote {src} ACME 01/06/00", "{src} Add Quote to ACME"},
      {"delete-quote {src} ACME 01/03/00", "{src} Delete Quote of ACME"},
      {"rename-symbol {src} BETA BX", "{src} Edit Symbol BX"},
      {"delete-symbol {src} ACME", "{src} Delete Symbol ACME"},
      {"copy-symbol {src} ACME {dst}", "{dst} Copy Symbol ACME"},
      {"move-symbol {src} ACME {dst}", "{src} Move Symbol ACME"},
      {"move-symbol {src} BETA {dst}", "{dst} Move Symbol BETA"},
      {"repair {demo/Legacy}", "{demo/Legacy} Repair MASTER"},
  };
  for (const auto& [command, undone] : cases) {
    SCOPED_TRACE(command);
    const std::string where = std::string(undone).substr(0, std::string(undone).find(' '));
    const CliResult done = RunLine(command);
    ASSERT_EQ(done.exitCode, 0) << done.err;
    const CliResult undo = Run({"undo", where});
    EXPECT_EQ(undo.exitCode, 0) << undo.err;
    EXPECT_EQ(undo.out, "Undone: " + std::string(undone).substr(where.size() + 1) + "\n");
    EXPECT_EQ(undo.err, "");
  }
}

// A file changed by another program since the change, or gone, makes undo refuse, name
// the file and change nothing; once the file is as the change left it, the undo goes on.
TEST_F(CliUndoTest, AFileChangedSinceMakesUndoRefuseAndChangeNothing) {
  const Snapshot original = TakeSnapshot(temp_.path());
  ASSERT_EQ(RunLine("delete-quote {src} ACME 01/03/00").exitCode, 0);
  const fs::path dat = temp_.path() / "src" / "F1.DAT";
  const fs::path master = temp_.path() / "src" / "MASTER";
  const Bytes left = ReadFileBytes(dat), leftMaster = ReadFileBytes(master);
  const std::function<void()> meddling[] = {
      [&] {  // the same size: only its content tells
        Bytes other = left;
        other.back() ^= 1;
        WriteFileBytes(dat, other);
      },
      [&] { fs::remove(dat); },
      [&] { WriteFileBytes(master, Bytes(leftMaster.begin(), leftMaster.end() - 1)); }};
  for (const auto& meddle : meddling) {
    meddle();
    const Snapshot meddled = TakeSnapshot(temp_.path());
    const CliResult refused = RunLine("undo {src}");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    const std::string file = fs::exists(dat) && ReadFileBytes(dat) == left ? "MASTER" : "F1.DAT";
    EXPECT_EQ(refused.err, "\"Delete Quote of ACME\" cannot be undone:\n" + src_ + "/" + file +
                               "\nhas been changed since.\n\nNothing was changed.\n");
    EXPECT_TRUE(TakeSnapshot(temp_.path()) == meddled);
    WriteFileBytes(dat, left);
    WriteFileBytes(master, leftMaster);
  }
  EXPECT_EQ(RunLine("undo {src}").exitCode, 0);
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == original);
}

// The next change replaces the journal: undo takes back the last change only, and what is
// kept for it is the previous content of the files that change touched, no more.
TEST_F(CliUndoTest, TheNextChangeReplacesTheOneBefore) {
  const CliResult none = RunLine("undo {src} --show");
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, "There is nothing to undo in\n" + src_ + "\n");
  ASSERT_EQ(RunLine("edit {src} ACME 01/04/00 --open 3").exitCode, 0);
  Snapshot edited = TakeSnapshot(temp_.path());
  ASSERT_EQ(RunLine("rename-symbol {src} BETA BX").exitCode, 0);
  EXPECT_EQ(RunLine("undo {src} --show").out,
            "Edit Symbol BX\n" + src_ + "/MASTER\trestore\n" + src_ + "/MASTER.BAK\tremove\n");
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(src_))
    kept += entry.path().filename().string().rfind(".voltrim-undo.", 0) == 0;
  EXPECT_EQ(kept, 1);  // MASTER.BAK did not exist before the rename
  EXPECT_EQ(RunLine("undo {src}").out, "Undone: Edit Symbol BX\n");
  // One level: nothing more to undo.
  const CliResult again = RunLine("undo {src}");
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.err, "There is nothing to undo in\n" + src_ + "\n");
  // The edit's journal went with the rename; the rest is as the edit left it.
  std::erase_if(edited, [](const auto& entry) {
    return fs::path(entry.first).filename().string().rfind(".voltrim-undo", 0) == 0;
  });
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == edited);
}

}  // namespace
}  // namespace voltrim::testing
