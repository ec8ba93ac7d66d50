// The history of changes: undo and redo step by step, what a new change ends, the limits,
// the one-level journal of earlier versions, and two folders' histories of one move.
#include <gtest/gtest.h>

#include <thread>

#include "datafiles/io/undo_fingerprint.h"
#include "write_commands.h"

namespace voltrim::testing {
namespace {

struct Histories {
  TempDir temp;
  std::string p = (temp.path() / "p").string(), q = (temp.path() / "q").string();
  explicit Histories(const WriteCommand& fixture = WriteNamed("import")) {
    MakeFixture(temp.path(), fixture);
  }
  int Run(const std::string& row) { return WriteNamed(row).run(p, q); }
  Snapshot Now() const { return TakeSnapshot(temp.path()); }
  Status Undo(const std::string& in) {
    std::string what, differing;
    return UndoLastChange(in, what, differing);
  }
  Status Redo(const std::string& in) {
    std::string what, differing;
    return RedoLastUndone(in, what, differing);
  }
  std::vector<std::string> Listed(const std::string& in) const {
    std::vector<std::string> listed;
    for (const UndoPlan& plan : ReadHistory(in))
      listed.push_back(std::to_string(plan.number) + " " + plan.what + (plan.undone ? " *" : ""));
    return listed;
  }
};

// Four changes of different kinds, undone one by one back to the start and redone one by
// one to the end, byte for byte at each step; a new change after two undos ends the redo.
TEST(UndoHistory, StepsBackAndForthThroughChangesOfEveryKind) {
  Histories h;
  std::vector<Snapshot> states = {h.Now()};
  for (const char* row : {"set", "import", "delete symbol", "new symbol"}) {
    ASSERT_EQ(h.Run(row), kOk) << row;
    states.push_back(h.Now());
  }
  EXPECT_EQ(h.Listed(h.p),
            (std::vector<std::string>{"4 New Symbol NEW", "3 Delete Symbol OTHER",
                                      "2 Import Quotes into ACME", "1 Edit Quotes of ACME"}));
  EXPECT_EQ(h.Redo(h.p), kNothingToRedo);
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_EQ(h.Undo(h.p), kOk) << i;
    EXPECT_EQ(h.Now(), states[i - 1]) << "undo to " << i - 1;
  }
  EXPECT_EQ(h.Undo(h.p), kNothingToUndo);
  EXPECT_EQ(h.Listed(h.p).front(), "4 New Symbol NEW *");
  for (std::size_t i = 1; i < states.size(); ++i) {
    ASSERT_EQ(h.Redo(h.p), kOk) << i;
    EXPECT_EQ(h.Now(), states[i]) << "redo to " << i;
  }
  EXPECT_EQ(h.Redo(h.p), kNothingToRedo);

  ASSERT_EQ(h.Undo(h.p), kOk);
  ASSERT_EQ(h.Undo(h.p), kOk);
  ASSERT_EQ(h.Run("scale"), kOk);
  EXPECT_EQ(h.Redo(h.p), kNothingToRedo);
  EXPECT_EQ(h.Listed(h.p), (std::vector<std::string>{"5 Adjust ACME", "2 Import Quotes into ACME",
                                                     "1 Edit Quotes of ACME"}));
  ASSERT_EQ(h.Undo(h.p), kOk);
  EXPECT_EQ(h.Now(), states[2]);
}

// Twenty changes deep and back; past the limits the oldest go first, the newest stays
// however large.
TEST(UndoHistory, KeepsTwentyLevelsAndDropsTheOldestPastItsLimits) {
  Histories h;
  std::vector<Snapshot> states = {h.Now()};
  const DayNumber wed = Day(2000, 1, 5);
  for (int i = 1; i <= 20; ++i) {
    const float value = static_cast<float>(i);
    ASSERT_EQ(RewriteSeries(Edit(edit_kind::kSet, wed, wed, {value, value, value, value, value}),
                            h.p, "ACME"),
              kOk);
    states.push_back(h.Now());
  }
  for (int i = 19; i >= 0; --i) {
    ASSERT_EQ(h.Undo(h.p), kOk);
    ASSERT_EQ(h.Now(), states[static_cast<std::size_t>(i)]) << i;
  }
  for (int i = 0; i < 20; ++i) ASSERT_EQ(h.Redo(h.p), kOk);
  EXPECT_EQ(h.Now(), states.back());

  const UndoHistoryLimits usual = GetUndoHistoryLimits();
  const std::uint64_t dat = fs::file_size(fs::path(h.p) / "F1.DAT");
  SetUndoHistoryLimits({usual.budgetBytes, 5});
  ASSERT_EQ(h.Run("scale"), kOk);
  EXPECT_EQ(h.Listed(h.p).size(), 5u);
  EXPECT_EQ(h.Listed(h.p).back().substr(0, 3), "17 ");
  // Each edit keeps the data file and its backup: two edits fit, and a budget smaller than
  // one keeps one.
  SetUndoHistoryLimits({5 * dat, 100});
  ASSERT_EQ(h.Run("scale"), kOk);
  EXPECT_EQ(h.Listed(h.p), (std::vector<std::string>{"22 Adjust ACME", "21 Adjust ACME"}));
  SetUndoHistoryLimits({1, 100});
  ASSERT_EQ(h.Run("set"), kOk);
  EXPECT_EQ(h.Listed(h.p), std::vector<std::string>{"23 Edit Quotes of ACME"});
  // What the dropped changes kept is gone by the next change.
  ASSERT_EQ(h.Run("scale"), kOk);
  SetUndoHistoryLimits(usual);
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(h.p) / kHistoryFolderName)) {
    const std::string name = entry.path().filename().string();
    kept += name.rfind("23.", 0) != 0 && name.rfind("24.", 0) != 0;
  }
  EXPECT_EQ(kept, 0);
}

// A move is one change of both folders' histories: undone from one, it can be redone from
// the other, and neither undoes it twice.
TEST(UndoHistory, AMoveIsOneChangeOfBothFolders) {
  Histories h;
  const Snapshot start = h.Now();
  ASSERT_EQ(h.Run("move symbol"), kOk);
  const Snapshot moved = h.Now();
  EXPECT_EQ(h.Listed(h.q), std::vector<std::string>{"1 Move Symbol ACME"});
  ASSERT_EQ(h.Undo(h.p), kOk);
  EXPECT_EQ(h.Now(), start);
  EXPECT_EQ(h.Listed(h.q), std::vector<std::string>{"1 Move Symbol ACME *"});
  EXPECT_EQ(h.Undo(h.q), kNothingToUndo);
  ASSERT_EQ(h.Redo(h.q), kOk);
  EXPECT_EQ(h.Now(), moved);
  EXPECT_EQ(h.Redo(h.p), kNothingToRedo);
}

// The journal of the one-level undo of earlier versions is the newest change: listed,
// undone and redone like any other, and taken into the history by the next change.
TEST(UndoHistory, TheOneLevelJournalOfEarlierVersionsIsTheNewestChange) {
  for (const bool changeFirst : {false, true}) {
    Histories h;
    const Snapshot start = h.Now();
    const fs::path p(h.p);
    ASSERT_EQ(h.Run("delete first quote"), kOk);
    const Snapshot deleted = h.Now();
    // As an earlier version left the delete: the journal, and the previous content of each
    // file the delete changed under its names.
    fs::remove_all(p / kHistoryFolderName);
    std::string journal = "voltrim undo journal 2\nwhat Delete Quote of ACME\nfolder .\n";
    int k = 0;
    for (const auto& [path, bytes] : deleted) {
      if (start.count(path) && start.at(path) == bytes) continue;
      std::string copy = "-";
      if (start.count(path)) {
        copy = ".voltrim-undo.1." + std::to_string(++k);
        WriteFileBytes(p / copy, start.at(path));
      }
      char line[128];
      std::snprintf(line, sizeof line, "file 0 %zu %016llx + ", bytes.size(),
                    static_cast<unsigned long long>(undo::ContentHash(bytes.data(), bytes.size())));
      journal += line + copy + " " + fs::path(path).filename().string() + "\n";
    }
    WriteText(p / kJournalName, journal + "end\n");
    EXPECT_EQ(h.Listed(h.p), std::vector<std::string>{"1 Delete Quote of ACME"});
    if (changeFirst) {
      ASSERT_EQ(h.Run("rename"), kOk);
      EXPECT_EQ(h.Listed(h.p).size(), 2u);
      ASSERT_EQ(h.Undo(h.p), kOk);
    }
    ASSERT_EQ(h.Undo(h.p), kOk);
    EXPECT_FALSE(fs::exists(p / kJournalName));
    EXPECT_EQ(h.Now(), start);
    ASSERT_EQ(h.Redo(h.p), kOk);
    EXPECT_EQ(h.Now(), deleted);
    for (const auto& entry : fs::directory_iterator(p))
      EXPECT_NE(entry.path().filename().string().rfind(".voltrim-undo", 0), 0u) << entry.path();
  }
}

// Two programs undoing at once: the lock lets one at a time take the newest change, so the
// two take two changes, never one twice.
TEST(UndoHistory, TwoUndoingAtOnceTakeTwoChanges) {
  Histories h;
  const Snapshot start = h.Now();
  ASSERT_EQ(h.Run("set"), kOk);
  ASSERT_EQ(h.Run("scale"), kOk);
  Status first = kOk, second = kOk;
  std::thread other([&] { first = h.Undo(h.p); });
  second = h.Undo(h.p);
  other.join();
  EXPECT_EQ(first, kOk);
  EXPECT_EQ(second, kOk);
  EXPECT_EQ(h.Now(), start);
}

}  // namespace
}  // namespace voltrim::testing
