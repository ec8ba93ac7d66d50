#include <gtest/gtest.h>

#include "quote_fixture.h"
#include "quotes/quote_edit.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

// The grid rounds what it shows: a field left as shown, or holding no number, must keep
// its stored value rather than the rounded text; every quote of the day gets the new values.
TEST(QuoteEdit, OnlyChangedNumbersAreWrittenToEveryQuoteOfTheDay) {
  QuoteFixture f;
  QuoteEditInput input;
  input.loaded = {"01/04/00", {"13.0000", "14.0000", "12.5000", "13.5000", "2000", "N/A"}};
  input.entered = input.loaded;
  input.entered.values[1] = "N/A";    // High
  input.entered.values[2] = ".";      // Low
  input.entered.values[3] = "12.75";  // Close
  input.entered.values[4] = "1.5.2";  // Volume: reads 1.5
  const QuoteCommandOutcome outcome = RunQuoteEdit(f.Context(), input, f.Io());
  EXPECT_TRUE(outcome.succeeded && outcome.reloadGrid);
  EXPECT_TRUE(f.prompt.messages.empty());
  auto expected = QuoteFixture::Records();
  expected[1][4] = expected[2][4] = 12.75f;  // Open stays 13 and 13.1
  expected[1][5] = expected[2][5] = 1.5f;
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kEdit, "Lo"), ".");  // the texts as they stood

  // A value with no stored form is refused before anything is written or recorded.
  QuoteFixture g;
  input.entered.values[3] = "99999999999999999999999999999999999999999";
  EXPECT_FALSE(RunQuoteEdit(g.Context(), input, g.Io()).succeeded);
  EXPECT_EQ(g.prompt.MessageTexts(), std::vector<std::string>{"Single Date Edit Failed"});
  EXPECT_EQ(g.Dat(), g.DatOf(QuoteFixture::Records()));
  EXPECT_EQ(g.Setting(settings::kEdit, "Date"), "<none>");
}

}  // namespace
}  // namespace voltrim::testing
