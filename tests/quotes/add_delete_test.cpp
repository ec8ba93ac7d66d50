#include <gtest/gtest.h>

#include "quote_fixture.h"
#include "quotes/add_delete.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

// The refusals (no quote that day, an existing date, a missing Monday) and their messages
// are checked through the CLI, which runs these same functions.
TEST(DeleteQuote, RemovesTheFirstOfTheDay) {
  EXPECT_EQ(DeleteQuoteQuestion("01/04/00"),
            "You are about to delete the data for date\n01/04/00\nAre you sure?");
  QuoteFixture f;
  const QuoteCommandOutcome outcome = RunDeleteQuote(f.Context(), "01/04/00", f.Io());
  EXPECT_TRUE(outcome.succeeded && outcome.reloadGrid);
  auto expected = QuoteFixture::Records();
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kDelete, "Date"), "01/04/00");
}

// The new date is the weekday before the row's; its quote is copied from the weekday after.
TEST(AddQuote, CopiesTheFollowingWeekdaysQuoteAndOpensTheEditorOnIt) {
  EXPECT_EQ(AddQuoteNewDateText("01/10/00"), "01/07/00");           // Monday -> Friday
  EXPECT_EQ(AddQuoteNewDateText("01/08/00"), "01/07/00");           // Saturday -> Friday
  EXPECT_EQ(AddQuoteSourceDay("01/07/00"), YmdToDay(2000, 1, 10));  // Friday -> Monday

  QuoteFixture f;
  const QuoteCommandOutcome outcome = RunAddQuote(f.Context(), "01/05/00", 2, f.Io());
  EXPECT_TRUE(outcome.succeeded && outcome.reloadGrid && outcome.openEditor);
  EXPECT_EQ(outcome.rowToShow, 3);
  auto expected = QuoteFixture::Records();
  expected.insert(expected.begin() + 3, expected[3]);
  expected[3][0] = 1000105;
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kAdd, "Date"), "01/05/00");
}

}  // namespace
}  // namespace voltrim::testing
