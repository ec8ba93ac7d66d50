#include <gtest/gtest.h>

#include "datafiles/file_ops.h"
#include "quote_fixture.h"
#include "quotes/add_delete.h"
#include "quotes/split_adjust.h"

namespace voltrim::testing {
namespace {

// The data layer's sweeps prove the files stay whole at every failing step; here: what a
// command then says. The other commands' failure texts are checked with their refusals.
TEST(QuoteCommandFaults, AFailedWriteIsReportedWithTheCommandsMessage) {
  QuoteFixture f;
  const Bytes before = f.Dat();
  file_ops::ArmFault(1, file_ops::FaultKind::kFail);
  const QuoteCommandOutcome split = RunSplit(f.Context(), {"01/06/00", "2", "1"}, f.Io());
  EXPECT_TRUE(file_ops::FaultHit());
  file_ops::DisarmFault();
  EXPECT_FALSE(split.succeeded);
  EXPECT_EQ(f.prompt.MessageTexts(), std::vector<std::string>{"Split Edit Failed"});
  EXPECT_EQ(f.Dat(), before);

  // A delete whose series was rewritten but whose MASTER dates could not follow says so.
  for (long k = 1;; ++k) {
    QuoteFixture g;
    file_ops::ArmFault(k, file_ops::FaultKind::kFail);
    const QuoteCommandOutcome outcome = RunDeleteQuote(g.Context(), "01/11/00", g.Io());
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    ASSERT_TRUE(hit) << "no partial failure found";
    if (outcome.succeeded || g.Dat() == before) continue;
    EXPECT_EQ(g.prompt.MessageTexts().back(),
              "The quote was deleted, but the first and last dates\nof the symbol in "
              "MASTER could not be updated.");
    EXPECT_TRUE(outcome.reloadGrid);
    break;
  }
}

}  // namespace
}  // namespace voltrim::testing
