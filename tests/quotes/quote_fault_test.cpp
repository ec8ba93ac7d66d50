#include <gtest/gtest.h>

#include <functional>

#include "datafiles/file_ops.h"
#include "quote_fixture.h"
#include "quotes/add_delete.h"
#include "quotes/quote_edit.h"
#include "quotes/split_adjust.h"

namespace voltrim::testing {
namespace {

struct CommandCase {
  const char* name;
  std::function<QuoteCommandOutcome(QuoteFixture&)> run;
  std::vector<RawRecord> after;  // the records once the command succeeded
  const char* failureMessage;
};

std::vector<CommandCase> Cases() {
  const auto records = QuoteFixture::Records();
  auto edited = records, deleted = records, added = records, adjusted = records, split = records;
  edited[3][4] = 99;
  deleted.pop_back();  // the newest quote: MASTER's last date follows
  added.insert(added.begin() + 3, records[3]);
  added[3][0] = 1000105;
  for (auto& record : adjusted) {
    for (std::size_t field = 1; field <= 4; ++field) record[field] *= 2.0f;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t field = 1; field <= 4; ++field) split[i][field] *= 0.5f;
    split[i][5] *= 2.0f;
  }
  QuoteEditInput edit;
  edit.loaded = {"01/06/00", {"14.0000", "15.0000", "13.0000", "14.5000", "3000", "N/A"}};
  edit.entered = edit.loaded;
  edit.entered.values[3] = "99";
  return {
      {"edit", [edit](QuoteFixture& f) { return RunQuoteEdit(f.Context(), edit, f.Io()); }, edited,
       "Single Date Edit Failed"},
      {"delete", [](QuoteFixture& f) { return RunDeleteQuote(f.Context(), "01/11/00", f.Io()); },
       deleted, "Delete Edit Failed"},
      {"add", [](QuoteFixture& f) { return RunAddQuote(f.Context(), "01/05/00", 2, f.Io()); },
       added, "Add Quote Failed"},
      {"adjust",
       [](QuoteFixture& f) {
         return RunAdjust(f.Context(), {"01/03/00", "01/11/00", "2", "1", "1"}, f.Io());
       },
       adjusted, "Adjust Edit Failed"},
      {"split",
       [](QuoteFixture& f) {
         return RunSplit(f.Context(), {"01/06/00", "2", "1"}, f.Io());
       },
       split, "Split Edit Failed"},
  };
}

// Fails (or "crashes" at) each file operation of each command in turn: what the command
// reports must be what happened, and the series is either old or new, never in between.
TEST(QuoteCommandFaults, ReportedResultMatchesTheFilesAtEveryFailingStep) {
  for (const CommandCase& c : Cases()) {
    for (const auto kind : {file_ops::FaultKind::kFail, file_ops::FaultKind::kCrash}) {
      bool reachedTheEnd = false;
      int failuresReported = 0;
      for (long k = 1; !reachedTheEnd && k < 200; ++k) {
        QuoteFixture f;
        const Bytes before = f.Dat();
        const Bytes after = f.DatOf(c.after);
        file_ops::ArmFault(k, kind);
        const QuoteCommandOutcome outcome = c.run(f);
        reachedTheEnd = !file_ops::FaultHit();
        file_ops::DisarmFault();
        SCOPED_TRACE(std::string(c.name) + " fault at operation " + std::to_string(k) +
                     (kind == file_ops::FaultKind::kCrash ? " (crash)" : ""));
        const Bytes now = f.Dat();
        EXPECT_TRUE(now == before || now == after);
        if (kind != file_ops::FaultKind::kFail) continue;
        if (outcome.succeeded) {
          EXPECT_EQ(now, after);
          EXPECT_TRUE(f.prompt.messages.empty());
        } else if (now == before) {
          ++failuresReported;
          ASSERT_FALSE(f.prompt.messages.empty());
          EXPECT_EQ(f.prompt.MessageTexts().back(), c.failureMessage);
        } else {
          // The series changed but MASTER's dates could not follow: said so, grid reloaded.
          ASSERT_FALSE(f.prompt.messages.empty());
          EXPECT_EQ(f.prompt.MessageTexts().back(),
                    "The quote was deleted, but the first and last dates\nof the symbol in "
                    "MASTER could not be updated.");
          EXPECT_TRUE(outcome.reloadGrid);
        }
      }
      EXPECT_TRUE(reachedTheEnd) << c.name;
      if (kind == file_ops::FaultKind::kFail) {
        EXPECT_GT(failuresReported, 0) << c.name;
      }
    }
  }
}

}  // namespace
}  // namespace voltrim::testing
