#include <gtest/gtest.h>

#include "datafiles/fixtures.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/write/symbol_files.h"
#include "support/recording_prompt.h"
#include "symbols/symbol_commands.h"

namespace voltrim::testing {
namespace {

// Two portfolios: src holds ACME (1), BETA (2), GAMMA (4); dst holds OTHER (1) and a
// record named "beta".
class SymbolCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Write(Src(), Portfolio({Symbol(1, "ACME", "ACME CORP"), Symbol(2, "BETA", "BETA INC"),
                            Symbol(4, "GAMMA", "GAMMA LTD       ")}));
    Write(Dst(), Portfolio({Symbol(1, "OTHER", "OTHER CO"), Symbol(2, "ZED", "beta")}));
  }
  std::string Src() const { return (temp_.path() / "src").string(); }
  std::string Dst() const { return (temp_.path() / "dst").string(); }
  SymbolPortfolio Source() const { return {Src(), Src() + "/MASTER"}; }

  TempDir temp_;
  RecordingPrompt prompt;
};

TEST_F(SymbolCommandsTest, DeleteAsksFirstAndAPartialDeleteOrAWriteKeptOutIsReported) {
  const auto before = TakeSnapshot(temp_.path());
  EXPECT_FALSE(RunSymbolDelete(Source(), "BETA", prompt).succeeded);
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Question});
  EXPECT_EQ(prompt.questions,
            std::vector<std::string>{"Selected Symbol to Delete:\nBETA\n\nAre you sure you want "
                                     "to delete the Symbol shown above? "});
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);

  prompt.AnswerNext(true);
  const SymbolCommandOutcome outcome = RunSymbolDelete(Source(), "BETA", prompt);
  EXPECT_TRUE(outcome.succeeded && outcome.refreshSymbols);
  EXPECT_TRUE(prompt.messages.empty());
  const MasterFile master = ReadMaster(Src());  // the files: the table of write commands
  ASSERT_EQ(master.records.size(), 2u);
  EXPECT_EQ(master.records[1].FileNumber(), 4);  // GAMMA moved up

  // A delete that took the record out but left a data file says so (the data layer's sweeps
  // prove no step loses a symbol).
  for (long k = 1;; ++k) {
    TempDir fresh;
    Write(fresh.path(), Portfolio({Symbol(1, "ACME", "ACME CORP"), Symbol(2, "BETA", "BETA INC")}));
    RecordingPrompt told;
    file_ops::ArmFault(k, file_ops::FaultKind::kFail);
    const SymbolCommandOutcome partial =
        RunSymbolDelete({fresh.str(), fresh.str() + "/MASTER"}, "BETA", told, false);
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    ASSERT_TRUE(hit) << "no partial delete found";
    if (partial.succeeded || ReadMaster(fresh.str()).records.size() == 2u) continue;
    EXPECT_EQ(told.MessageTexts(), std::vector<std::string>{"The Symbol was deleted, but some "
                                                            "of its data files\ncould not be "
                                                            "removed."});
    EXPECT_TRUE(partial.refreshSymbols && partial.partlyDone);
    break;
  }

  // A write kept out by another program says so, instead of each command's own failure text.
  const LockWait shortWait(std::chrono::milliseconds(20));
  const auto kept = TakeSnapshot(temp_.path());
  std::vector<SymbolCommandOutcome> outcomes;
  {
    const FolderHolder other(temp_.path() / "src");
    outcomes.push_back(RunSymbolDelete(Source(), "GAMMA", prompt, false));
  }
  {
    const FolderHolder other(temp_.path() / "dst");
    outcomes.push_back(RunMoveOrCopySymbol(Source(), "ACME", Dst(), true, prompt));
  }
  for (const SymbolCommandOutcome& refused : outcomes)
    EXPECT_FALSE(refused.succeeded || refused.partlyDone);
  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>(2, kBusyText));
  EXPECT_EQ(TakeSnapshot(temp_.path()), kept);
}

// What copy and move write is compared with the CLI's in the table of write commands; here:
// the destinations offered and whether the symbols grid must be filled again.
TEST_F(SymbolCommandsTest, CopyKeepsMoveEmptiesTheSourceAndEditTrimsTheName) {
  EXPECT_EQ(DestinationChoices({"/b", "/A", "/c", "/a2"}, 2),
            (std::vector<std::string>{"/A", "/a2", "/b"}));
  SymbolCommandOutcome outcome = RunMoveOrCopySymbol(Source(), "gamma", Dst(), false, prompt);
  EXPECT_TRUE(outcome.succeeded && !outcome.refreshSymbols);
  outcome = RunMoveOrCopySymbol(Source(), "ACME", Dst(), true, prompt);
  EXPECT_TRUE(outcome.succeeded && outcome.refreshSymbols && prompt.messages.empty());

  // An edit trims the name offered and writes an empty name as blanks (the empty symbol's
  // message and blanks taken as a symbol are checked through the window).
  EXPECT_EQ(NameForEditing("GAMMA LTD   \t"), "GAMMA LTD");
  EXPECT_TRUE(RunSymbolEdit(Source(), 1, "beta2", "", prompt).succeeded);
  const MasterFile master = ReadMaster(Src());
  EXPECT_EQ(master.records[1].SymbolField(), "beta2           ");
  EXPECT_EQ(master.records[1].NameField(), std::string(16, ' '));
}

}  // namespace
}  // namespace voltrim::testing
