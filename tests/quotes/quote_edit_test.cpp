#include <gtest/gtest.h>

#include "quote_fixture.h"
#include "quotes/quote_edit.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

// The dialog on the quote of Mon 01/03/00 as the grid shows it.
QuoteEditInput MondayShown() {
  QuoteEditInput input;
  input.loaded = {"01/03/00", {"12.3457", "13.0000", "12.0000", "12.5000", "1235", "N/A"}};
  input.entered = input.loaded;
  return input;
}

// The grid rounds what it shows: a field left as shown, or holding no number, must keep
// its stored value rather than the rounded text.
TEST(QuoteEdit, OnlyChangedNumbersAreWritten) {
  QuoteFixture f;
  QuoteEditInput input = MondayShown();
  input.entered.values[1] = "N/A";    // High
  input.entered.values[2] = ".";      // Low
  input.entered.values[3] = "12.75";  // Close
  input.entered.values[4] = "1.5.2";  // Volume: reads 1.5
  const QuoteCommandOutcome outcome = RunQuoteEdit(f.Context(), input, f.Io());
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_TRUE(outcome.reloadGrid);
  EXPECT_EQ(outcome.rowToShow, 0);
  EXPECT_TRUE(f.prompt.messages.empty());
  auto expected = QuoteFixture::Records();
  expected[0][4] = 12.75f;  // Open stays 12.34567
  expected[0][5] = 1.5f;
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
}

TEST(QuoteEdit, EveryQuoteOfTheDayGetsTheNewValuesAndTheRecordIsKept) {
  QuoteFixture f;
  QuoteEditInput input;
  input.loaded = {"01/04/00", {"13.0000", "14.0000", "12.5000", "13.5000", "2000", "N/A"}};
  input.entered = input.loaded;
  input.entered.values[1] = "20";
  ASSERT_TRUE(RunQuoteEdit(f.Context(), input, f.Io()).succeeded);
  auto expected = QuoteFixture::Records();
  expected[1][2] = expected[2][2] = 20.0f;
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  // The record holds the texts as they stood.
  const std::pair<const char*, const char*> record[] = {
      {"Date", "01/04/00"}, {"Open", "13.0000"}, {"Hi", "20"}, {"Lo", "12.5000"},
      {"Close", "13.5000"}, {"Vol", "2000"},     {"OI", "N/A"}};
  for (const auto& [name, text] : record) EXPECT_EQ(f.Setting(settings::kEdit, name), text);
}

TEST(QuoteEdit, FailureShowsItsMessageAndRecordsNothing) {
  QuoteFixture f;
  QuoteEditInput input = MondayShown();
  input.entered.values[3] = "99999999999999999999999999999999999999999";  // no stored form
  QuoteCommandOutcome outcome = RunQuoteEdit(f.Context(), input, f.Io());
  EXPECT_FALSE(outcome.succeeded);
  EXPECT_FALSE(outcome.reloadGrid);
  EXPECT_EQ(f.prompt.MessageTexts(), std::vector<std::string>{"Single Date Edit Failed"});
  EXPECT_EQ(f.Dat(), f.DatOf(QuoteFixture::Records()));
  EXPECT_EQ(f.Setting(settings::kEdit, "Date"), "<none>");
}

}  // namespace
}  // namespace voltrim::testing
