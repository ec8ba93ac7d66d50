#include <gtest/gtest.h>

#include "datafiles/master.h"
#include "quote_fixture.h"
#include "quotes/add_delete.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

// Grid column 0, newest first.
const std::vector<std::string> kGridDates = {"01/11/00", "01/08/00", "01/06/00",
                                             "01/04/00", "01/04/00", "01/03/00"};

TEST(DeleteQuote, RemovesTheFirstOfTheDayAndTheNewestMovesMastersLastDate) {
  EXPECT_EQ(DeleteQuoteQuestion("01/04/00"),
            "You are about to delete the data for date\n01/04/00\nAre you sure?");
  QuoteFixture f;
  const QuoteCommandOutcome outcome = RunDeleteQuote(f.Context(), "01/04/00", f.Io());
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_TRUE(outcome.reloadGrid);
  EXPECT_EQ(outcome.rowToShow, 0);
  EXPECT_EQ(f.Setting(settings::kDelete, "Date"), "01/04/00");
  auto expected = QuoteFixture::Records();
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(f.Dat(), f.DatOf(expected));

  QuoteFixture newest;
  ASSERT_TRUE(RunDeleteQuote(newest.Context(), "01/11/00", newest.Io()).succeeded);
  const Bytes master = newest.Master();
  EXPECT_EQ(MbfToIeee(master.data() + kMasterRecordSize + master_offset::kLastDate), 1000108.0f);
}

TEST(DeleteQuote, ADayWithoutQuoteShowsBothMessagesAndChangesNothing) {
  QuoteFixture f;
  const Bytes dat = f.Dat();
  const QuoteCommandOutcome outcome = RunDeleteQuote(f.Context(), "01/05/00", f.Io());
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_FALSE(outcome.reloadGrid);
  EXPECT_EQ(
      f.prompt.MessageTexts(),
      (std::vector<std::string>{"failure in delete quote for findrec", "Delete Edit Failed"}));
  EXPECT_EQ(f.Dat(), dat);
  EXPECT_EQ(f.Setting(settings::kDelete, "Date"), "<none>");
}

// The new date is the weekday before the row's; its quote is copied from the weekday after.
TEST(AddQuote, DatesAndAvailability) {
  EXPECT_TRUE(AddQuoteAvailable(4, 6));
  EXPECT_FALSE(AddQuoteAvailable(5, 6));  // the oldest row
  EXPECT_FALSE(AddQuoteAvailable(0, 1));
  EXPECT_FALSE(AddQuoteAvailable(0, 0));
  EXPECT_EQ(AddQuoteNewDateText("01/06/00"), "01/05/00");  // Thursday -> Wednesday
  EXPECT_EQ(AddQuoteNewDateText("01/10/00"), "01/07/00");  // Monday -> Friday
  EXPECT_EQ(AddQuoteNewDateText("01/08/00"), "01/07/00");  // Saturday -> Friday
  EXPECT_EQ(AddQuoteSourceDay("01/05/00"), YmdToDay(2000, 1, 6));
  EXPECT_EQ(AddQuoteSourceDay("01/07/00"), YmdToDay(2000, 1, 10));  // Friday -> Monday

  RecordingPrompt prompt;
  EXPECT_FALSE(PlanAddQuote("01/04/00", kGridDates, prompt).has_value());
  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Date 01/03/00 already exists."});
  EXPECT_EQ(PlanAddQuote("01/06/00", kGridDates, prompt), "01/05/00");
  EXPECT_EQ(prompt.messages.size(), 1u);
}

TEST(AddQuote, CopiesTheFollowingQuoteAndGoesOnIntoTheEditorOnTheNewRow) {
  QuoteFixture f;
  const QuoteCommandOutcome outcome = RunAddQuote(f.Context(), "01/05/00", 2, f.Io());
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_TRUE(outcome.reloadGrid);
  EXPECT_EQ(outcome.rowToShow, 3);
  EXPECT_TRUE(outcome.openEditor);
  auto expected = QuoteFixture::Records();
  RawRecord copy = expected[3];
  copy[0] = 1000105;
  expected.insert(expected.begin() + 3, copy);
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kAdd, "Date"), "01/05/00");
}

TEST(AddQuote, AWeekendQuoteWhoseMondayIsMissingIsRefusedAndNothingWritten) {
  QuoteFixture f;
  const Bytes dat = f.Dat();
  ASSERT_EQ(PlanAddQuote("01/08/00", kGridDates, f.prompt), "01/07/00");
  const QuoteCommandOutcome outcome = RunAddQuote(f.Context(), "01/07/00", 1, f.Io());
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_FALSE(outcome.openEditor);
  EXPECT_TRUE(outcome.reloadGrid);  // Add reloads after a failure as well
  EXPECT_EQ(outcome.rowToShow, 0);
  EXPECT_EQ(f.prompt.MessageTexts(), std::vector<std::string>{"Add Quote Failed"});
  EXPECT_EQ(f.Dat(), dat);
  EXPECT_EQ(f.Setting(settings::kAdd, "Date"), "<none>");
}

}  // namespace
}  // namespace voltrim::testing
