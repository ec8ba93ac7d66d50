#include <gtest/gtest.h>

#include "quote_fixture.h"
#include "quotes/split_adjust.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

// Dates must lie within the series (both ends allowed) and be typed in full; multipliers
// must be nonzero numbers. One message covers every failed check.
TEST(SplitAndAdjustChecks, RefuseDatesOutsideTheSeriesZeroAndNonNumbers) {
  QuoteFixture f;
  const auto accepted = [&](const auto& check, const auto& texts) {
    RecordingPrompt prompt;
    const bool ok = check(texts, f.Context(), prompt);
    EXPECT_EQ(prompt.MessageTexts(),
              ok ? std::vector<std::string>{} : std::vector<std::string>{"Invalid Data Entered"});
    return ok;
  };
  const auto split = [&](SplitTexts t) { return accepted(CheckSplitEntries, t); };
  const auto adjust = [&](AdjustTexts t) { return accepted(CheckAdjustEntries, t); };
  EXPECT_TRUE(split({"01/11/00", "2", "1"}));
  EXPECT_FALSE(split({"01/12/00", "2", "1"}));
  EXPECT_FALSE(split({"1/6/00", "2", "1"}));
  EXPECT_FALSE(split({"01/06/00", "0", "1"}));
  EXPECT_FALSE(split({"01/06/00", ".", "1"}));
  EXPECT_FALSE(split({"01/06/00", "2", ""}));
  EXPECT_TRUE(adjust({"01/11/00", "01/03/00", "1", "1", "1"}));   // reversed range passes
  EXPECT_TRUE(adjust({"01/04/00", "01/04/00", "2", "1", "-1"}));  // negative OI multiplier
  EXPECT_FALSE(adjust({"01/02/00", "01/11/00", "1", "1", "1"}));
  EXPECT_FALSE(adjust({"01/03/00", "01/11/00", "0", "1", "1"}));
  EXPECT_FALSE(adjust({"01/03/00", "01/11/00", "1", "1", "x"}));
  EXPECT_FALSE(adjust({"01/03/0", "01/11/00", "0", "1", "1"}));
}

TEST(Split, RestatesEveryEarlierQuoteOnlyAndRecordsTheTexts) {
  QuoteFixture f;
  // On the first date no quote lies before it: nothing changes, but it is recorded.
  ASSERT_TRUE(RunSplit(f.Context(), {"01/03/00", "1", "10"}, f.Io()).succeeded);
  EXPECT_EQ(f.Dat(), f.DatOf(QuoteFixture::Records()));
  EXPECT_EQ(f.Setting(settings::kSplit, "Old"), "10");

  ASSERT_TRUE(RunSplit(f.Context(), {"01/06/00", "2", "1"}, f.Io()).succeeded);
  auto expected = QuoteFixture::Records();
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t field = 1; field <= 4; ++field) expected[i][field] *= 0.5f;
    expected[i][5] *= 2.0f;
  }
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kSplit, "Date"), "01/06/00");
}

TEST(Adjust, ScalesTheRangeBothEndsIncludedAndRefusesProductsWithoutAStoredForm) {
  QuoteFixture f;
  ASSERT_TRUE(RunAdjust(f.Context(), {"01/04/00", "01/06/00", "2", "0.5", "3"}, f.Io()).succeeded);
  auto expected = QuoteFixture::Records();
  for (std::size_t i = 1; i <= 3; ++i) {
    for (std::size_t field = 1; field <= 4; ++field) expected[i][field] *= 2.0f;
    expected[i][5] *= 0.5f;  // no open-interest column: nothing else is created
  }
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kAdjust, "OIMult"), "3");

  EXPECT_FALSE(
      RunAdjust(f.Context(), {"01/03/00", "01/11/00", "1", "1e36", "1"}, f.Io()).succeeded);
  EXPECT_EQ(f.prompt.MessageTexts(), std::vector<std::string>{"Adjust Edit Failed"});
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
}

}  // namespace
}  // namespace voltrim::testing
