#include <gtest/gtest.h>

#include "datafiles/io/file_ops.h"
#include "datafiles/portfolio_checks.h"
#include "quote_fixture.h"
#include "quotes/add_delete.h"
#include "quotes/quote_edit.h"
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
    EXPECT_TRUE(outcome.partlyDone);  // the quote is gone: deleting again would take another
    break;
  }
}

// Another program keeps the portfolio past the wait: every quote command says so in one
// message instead of its own failure text, and the series is untouched.
TEST(QuoteCommandFaults, AWriteKeptOutByAnotherProgramSaysSo) {
  const LockWait shortWait(std::chrono::milliseconds(20));
  QuoteFixture f;
  const Bytes before = f.Dat();
  {
    const FolderHolder other(f.Dir());
    QuoteEditInput input;
    input.entered.date = "01/06/00";
    input.entered.values[3] = "99";
    EXPECT_FALSE(RunQuoteEdit(f.Context(), input, f.Io()).succeeded);
    EXPECT_FALSE(RunSplit(f.Context(), {"01/06/00", "2", "1"}, f.Io()).succeeded);
    EXPECT_FALSE(RunAddQuote(f.Context(), "01/05/00", 2, f.Io()).succeeded);
    const QuoteCommandOutcome deleted = RunDeleteQuote(f.Context(), "01/11/00", f.Io());
    EXPECT_FALSE(deleted.succeeded || deleted.partlyDone);
  }
  EXPECT_EQ(f.prompt.MessageTexts(), std::vector<std::string>(4, kBusyText));
  EXPECT_EQ(f.Dat(), before);
  EXPECT_EQ(f.Setting("Edit", "Date"), "<none>");  // no record of an edit that did not happen
}

}  // namespace
}  // namespace voltrim::testing
