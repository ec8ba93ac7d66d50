#include <gtest/gtest.h>

#include <filesystem>

#include "datafiles/file_ops.h"
#include "datafiles/master.h"
#include "datafiles/portfolio_builder.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"
#include "symbols/symbol_commands.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

PortfolioSpec OneSeries(int fileNumber, const std::string& symbol) {
  PortfolioSpec plan;
  PortfolioSpec::Entry entry;
  entry.series = MakeDailySeries(fileNumber, symbol, symbol + " CO",
                                 {{YmdToDay(2000, 1, 3), 1, 2, 0.5f, 1.5f, 100}});
  plan.entries = {entry};
  return plan;
}

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

// Fails each file operation of a move in turn: the symbol is never lost, and a reported
// success means it left the source and stands complete in the destination.
TEST(SymbolCommandFaults, AMoveNeverLosesTheSymbolAndReportsWhatHappened) {
  for (const auto kind : {file_ops::FaultKind::kFail, file_ops::FaultKind::kCrash}) {
    bool reachedTheEnd = false;
    for (long k = 1; !reachedTheEnd && k < 300; ++k) {
      TempDir temp;
      const std::string src = (temp.path() / "src").string();
      const std::string dst = (temp.path() / "dst").string();
      ASSERT_EQ(WritePortfolio(src, OneSeries(1, "ACME")), 0);
      ASSERT_EQ(WritePortfolio(dst, OneSeries(1, "OTHER")), 0);
      RecordingPrompt prompt;
      file_ops::ArmFault(k, kind);
      const SymbolCommandOutcome outcome =
          RunMoveOrCopySymbol({src, src + "/MASTER"}, "ACME", dst, true, prompt);
      reachedTheEnd = !file_ops::FaultHit();
      file_ops::DisarmFault();
      SCOPED_TRACE("fault at operation " + std::to_string(k));
      EXPECT_TRUE(Holds(src, "ACME") || Holds(dst, "ACME"));
      if (kind == file_ops::FaultKind::kFail) {
        EXPECT_EQ(outcome.succeeded, prompt.messages.empty());
        if (outcome.succeeded) {
          EXPECT_FALSE(Holds(src, "ACME"));
          EXPECT_TRUE(Holds(dst, "ACME"));
        }
      }
    }
    EXPECT_TRUE(reachedTheEnd);
  }
}

TEST(SymbolCommandFaults, ADeleteThatFailsSaysSoAndOneThatSucceedsIsDone) {
  bool reachedTheEnd = false;
  for (long k = 1; !reachedTheEnd && k < 100; ++k) {
    TempDir temp;
    const std::string src = (temp.path() / "src").string();
    ASSERT_EQ(WritePortfolio(src, OneSeries(1, "ACME")), 0);
    RecordingPrompt prompt;
    file_ops::ArmFault(k, file_ops::FaultKind::kFail);
    const SymbolCommandOutcome outcome =
        RunSymbolDelete({src, src + "/MASTER"}, "ACME", prompt, /*ask=*/false);
    reachedTheEnd = !file_ops::FaultHit();
    file_ops::DisarmFault();
    SCOPED_TRACE("fault at operation " + std::to_string(k));
    EXPECT_TRUE(outcome.refreshSymbols);
    MasterFile master;
    ASSERT_EQ(ReadMasterFile(src + "/MASTER", master), kOk);
    if (outcome.succeeded) {
      EXPECT_TRUE(prompt.messages.empty());
      EXPECT_TRUE(master.records.empty());
      EXPECT_FALSE(fs::exists(temp.path() / "src" / "F1.DAT"));
    } else if (!master.records.empty()) {
      // Still listed: its data must still be there.
      EXPECT_TRUE(fs::exists(temp.path() / "src" / "F1.DAT"));
      EXPECT_EQ(prompt.MessageTexts(),
                std::vector<std::string>{"The Symbol deletion failed.\n\nNothing was changed."});
    } else {
      EXPECT_EQ(prompt.MessageTexts(),
                std::vector<std::string>{"The Symbol was deleted, but some of its data "
                                         "files\ncould not be removed."});
    }
  }
  EXPECT_TRUE(reachedTheEnd);
}

}  // namespace
}  // namespace voltrim::testing
