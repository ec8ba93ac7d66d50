#include <gtest/gtest.h>

#include <functional>

#include "cli_run.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// src holds ACME (1) and BETA (2), dst holds OTHER (1), and demo the demonstration
// portfolios (Legacy has the record with an empty symbol the repair mends).
class CliUndoTest : public CliTest {
 protected:
  void SetUp() override {
    src_ = Write(temp_.path() / "src",
                 Portfolio({SeriesEntry(AcmeSeries()), Symbol(2, "BETA", "BETA INC", 1)}));
    dst_ = Write(temp_.path() / "dst", Portfolio({Symbol(1, "OTHER", "OTHER CO", 1)}));
    ASSERT_EQ(Run({"sample", "{demo}"}).exitCode, 0);
  }

  std::string src_, dst_;
};

// Every write command, then undo in the folder named: every file of every portfolio is
// back byte for byte (backups included, and nothing of ours left behind).
TEST_F(CliUndoTest, EveryWriteCommandIsUndoneByteForByte) {
  struct Case {
    std::vector<std::string> command;
    std::string undoIn;
    std::string undone;
  };
  const std::vector<Case> cases = {
      {{"edit", "{src}", "ACME", "01/04/00", "--open", "3", "--close", "4"},
       "{src}",
       "Undone: Edit Quotes of ACME\n"},
      {{"split", "{src}", "ACME", "01/06/00", "2", "1"}, "{src}", "Undone: Split ACME\n"},
      {{"adjust", "{src}", "ACME", "01/03/00", "01/06/00", "--price", "2", "--volume", "3"},
       "{src}",
       "Undone: Adjust ACME\n"},
      {{"add-quote", "{src}", "ACME", "01/06/00"}, "{src}", "Undone: Add Quote to ACME\n"},
      {{"delete-quote", "{src}", "ACME", "01/03/00"}, "{src}", "Undone: Delete Quote of ACME\n"},
      {{"rename-symbol", "{src}", "BETA", "BX", "BX NAME"}, "{src}", "Undone: Edit Symbol BX\n"},
      {{"delete-symbol", "{src}", "ACME"}, "{src}", "Undone: Delete Symbol ACME\n"},
      {{"copy-symbol", "{src}", "ACME", "{dst}"}, "{dst}", "Undone: Copy Symbol ACME\n"},
      {{"move-symbol", "{src}", "ACME", "{dst}"}, "{src}", "Undone: Move Symbol ACME\n"},
      {{"move-symbol", "{src}", "BETA", "{dst}"}, "{dst}", "Undone: Move Symbol BETA\n"},
      {{"repair", "{demo/Legacy}"}, "{demo/Legacy}", "Undone: Repair MASTER\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command[0] + " " + c.command.back());
    const Snapshot before = TakeSnapshot(temp_.path());
    const CliResult done = Run(c.command);
    ASSERT_EQ(done.exitCode, 0) << done.err;
    ASSERT_NE(TakeSnapshot(temp_.path()), before);
    const CliResult shown = Run({"undo", c.undoIn, "--show"});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_EQ(shown.out.substr(0, shown.out.find('\n') + 1), c.undone.substr(8));
    const CliResult undone = Run({"undo", c.undoIn});
    EXPECT_EQ(undone.exitCode, 0) << undone.err;
    EXPECT_EQ(undone.out, c.undone);
    EXPECT_EQ(undone.err, "");
    EXPECT_TRUE(TakeSnapshot(temp_.path()) == before);
    // One level: nothing more to undo.
    const CliResult again = Run({"undo", c.undoIn});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "There is nothing to undo in\n" + Expand(c.undoIn) + "\n");
  }
}

// A file changed by another program since the change, or gone, makes undo refuse, name
// the file and change nothing; once the file is as the change left it, the undo goes on.
TEST_F(CliUndoTest, AFileChangedSinceMakesUndoRefuseAndChangeNothing) {
  const Snapshot original = TakeSnapshot(temp_.path());
  ASSERT_EQ(Run({"delete-quote", "{src}", "ACME", "01/03/00"}).exitCode, 0);
  const fs::path dat = temp_.path() / "src" / "F1.DAT";
  const fs::path master = temp_.path() / "src" / "MASTER";
  const Bytes left = ReadFileBytes(dat);
  const Bytes leftMaster = ReadFileBytes(master);
  const std::vector<std::function<void()>> meddling = {[&] {
                                                         Bytes other = left;
                                                         other.back() ^= 1;
                                                         WriteFileBytes(dat, other);
                                                       },
                                                       [&] { fs::remove(dat); },
                                                       [&] {
                                                         Bytes other = leftMaster;
                                                         other.push_back(0);
                                                         WriteFileBytes(master, other);
                                                       }};
  for (const auto& meddle : meddling) {
    meddle();
    const Snapshot meddled = TakeSnapshot(temp_.path());
    const CliResult refused = Run({"undo", "{src}"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    const std::string file = fs::exists(dat) && ReadFileBytes(dat) == left ? "MASTER" : "F1.DAT";
    EXPECT_EQ(refused.err, "\"Delete Quote of ACME\" cannot be undone:\n" + src_ + "/" + file +
                               "\nhas been changed since.\n\nNothing was changed.\n");
    EXPECT_TRUE(TakeSnapshot(temp_.path()) == meddled);
    WriteFileBytes(dat, left);
    WriteFileBytes(master, leftMaster);
  }
  EXPECT_EQ(Run({"undo", "{src}"}).exitCode, 0);
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == original);
}

// The next change replaces the journal: undo takes back the last change only, and what is
// kept for it is the previous content of the files that change touched, no more.
TEST_F(CliUndoTest, TheNextChangeReplacesTheOneBefore) {
  const CliResult none = Run({"undo", "{src}", "--show"});
  EXPECT_EQ(none.exitCode, 1);
  EXPECT_EQ(none.err, "There is nothing to undo in\n" + src_ + "\n");
  ASSERT_EQ(Run({"edit", "{src}", "ACME", "01/04/00", "--open", "3"}).exitCode, 0);
  const Snapshot edited = TakeSnapshot(temp_.path());
  ASSERT_EQ(Run({"rename-symbol", "{src}", "BETA", "BX"}).exitCode, 0);
  const CliResult shown = Run({"undo", "{src}", "--show"});
  EXPECT_EQ(shown.out,
            "Edit Symbol BX\n" + src_ + "/MASTER\trestore\n" + src_ + "/MASTER.BAK\tremove\n");
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(src_))
    kept += entry.path().filename().string().rfind(".voltrim-undo.", 0) == 0;
  EXPECT_EQ(kept, 1);  // MASTER.BAK did not exist before the rename
  EXPECT_EQ(Run({"undo", "{src}"}).out, "Undone: Edit Symbol BX\n");
  // The edit's journal went with the rename; the rest is as the edit left it.
  const auto ours = [](Snapshot files) {
    std::erase_if(files, [](const auto& entry) {
      return fs::path(entry.first).filename().string().rfind(".voltrim-undo", 0) == 0;
    });
    return files;
  };
  EXPECT_TRUE(TakeSnapshot(temp_.path()) == ours(edited));
}

}  // namespace
}  // namespace voltrim::testing
