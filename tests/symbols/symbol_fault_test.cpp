#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "datafiles/file_ops.h"
#include "datafiles/master.h"
#include "datafiles/portfolio_builder.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"
#include "symbols/symbol_commands.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using file_ops::FaultKind;

// Whether dir's MASTER lists symbol with its data file beside it.
bool Holds(const std::string& dir, const std::string& symbol) {
  MasterFile master;
  if (ReadMasterFile(dir + "/MASTER", master) != kOk) return false;
  for (const MasterRecord& record : master.records) {
    if (record.SymbolField().rfind(symbol, 0) == 0) {
      return fs::exists(fs::path(dir) / ("F" + std::to_string(record.FileNumber()) + ".DAT"));
    }
  }
  return false;
}

// Runs the command on fresh portfolios src (ACME) and dst (OTHER) with the k-th file
// operation failing, for k = 1, 2, ... until one run meets no fault; `check` judges each.
void SweepFaults(FaultKind kind, bool move,
                 const std::function<void(const std::string& src, const std::string& dst,
                                          const SymbolCommandOutcome&, RecordingPrompt&)>& check) {
  bool reachedTheEnd = false;
  for (long k = 1; !reachedTheEnd && k < 300; ++k) {
    TempDir temp;
    const std::string src = (temp.path() / "src").string();
    const std::string dst = (temp.path() / "dst").string();
    for (const auto& [dir, symbol] : {std::pair{src, "ACME"}, std::pair{dst, "OTHER"}}) {
      PortfolioSpec plan;
      plan.entries.resize(1);
      plan.entries[0].series =
          MakeDailySeries(1, symbol, "NAME", {{YmdToDay(2000, 1, 3), 1, 2, 0.5f, 1.5f, 100}});
      ASSERT_EQ(WritePortfolio(dir, plan), 0);
    }
    RecordingPrompt prompt;
    file_ops::ArmFault(k, kind);
    const SymbolCommandOutcome outcome =
        move ? RunMoveOrCopySymbol({src, src + "/MASTER"}, "ACME", dst, true, prompt)
             : RunSymbolDelete({src, src + "/MASTER"}, "ACME", prompt, /*ask=*/false);
    reachedTheEnd = !file_ops::FaultHit();
    file_ops::DisarmFault();
    SCOPED_TRACE("fault at operation " + std::to_string(k));
    check(src, dst, outcome, prompt);
  }
  EXPECT_TRUE(reachedTheEnd);
}

// The symbol is never lost, and a reported success means it left the source and stands
// complete in the destination.
TEST(SymbolCommandFaults, AMoveNeverLosesTheSymbolAndReportsWhatHappened) {
  for (const FaultKind kind : {FaultKind::kFail, FaultKind::kCrash}) {
    SweepFaults(kind, true, [kind](auto& src, auto& dst, auto& outcome, auto& prompt) {
      EXPECT_TRUE(Holds(src, "ACME") || Holds(dst, "ACME"));
      if (kind == FaultKind::kCrash) return;
      EXPECT_EQ(outcome.succeeded, prompt.messages.empty());
      if (outcome.succeeded) {
        EXPECT_FALSE(Holds(src, "ACME"));
        EXPECT_TRUE(Holds(dst, "ACME"));
      }
    });
  }
}

// A symbol still listed keeps its data; one no longer listed is said to be gone.
TEST(SymbolCommandFaults, ADeleteThatFailsSaysSoAndOneThatSucceedsIsDone) {
  SweepFaults(FaultKind::kFail, false, [](auto& src, auto&, auto& outcome, auto& prompt) {
    EXPECT_TRUE(outcome.refreshSymbols);
    MasterFile master;
    ASSERT_EQ(ReadMasterFile(src + "/MASTER", master), kOk);
    const bool dataLeft = fs::exists(fs::path(src) / "F1.DAT");
    if (outcome.succeeded) {
      EXPECT_TRUE(prompt.messages.empty());
      EXPECT_TRUE(master.records.empty());
      EXPECT_FALSE(dataLeft);
    } else if (!master.records.empty()) {
      EXPECT_TRUE(dataLeft);
      EXPECT_EQ(prompt.MessageTexts(),
                std::vector<std::string>{"The Symbol deletion failed.\n\nNothing was changed."});
    } else {
      EXPECT_EQ(prompt.MessageTexts(),
                std::vector<std::string>{"The Symbol was deleted, but some of its data "
                                         "files\ncould not be removed."});
    }
  });
}

}  // namespace
}  // namespace voltrim::testing
