#include <gtest/gtest.h>

#include "quote_fixture.h"
#include "quotes/split_adjust.h"
#include "settings/settings_keys.h"

namespace voltrim::testing {
namespace {

const std::vector<std::string> kInvalid = {"Invalid Data Entered"};

TEST(SplitChecks, RefuseDatesOutsideTheSeriesZeroAndNonNumbers) {
  QuoteFixture f;
  const auto refused = [&](SplitTexts texts) {
    RecordingPrompt prompt;
    const bool ok = CheckSplitEntries(texts, f.Context(), prompt);
    EXPECT_EQ(prompt.MessageTexts(), ok ? std::vector<std::string>{} : kInvalid);
    return !ok;
  };
  EXPECT_FALSE(refused({"01/06/00", "2", "1"}));
  EXPECT_FALSE(refused({"01/03/00", "2", "1"}));  // the first date itself
  EXPECT_FALSE(refused({"01/11/00", "2", "1"}));  // the last date itself
  EXPECT_TRUE(refused({"01/12/00", "2", "1"}));
  EXPECT_TRUE(refused({"01/02/00", "2", "1"}));
  EXPECT_TRUE(refused({"1/6/00", "2", "1"}));
  EXPECT_TRUE(refused({"01/06/0 ", "2", "1"}));
  EXPECT_TRUE(refused({"01/06/00", "0", "1"}));
  EXPECT_TRUE(refused({"01/06/00", "2", "0.0"}));
  EXPECT_TRUE(refused({"01/06/00", ".", "1"}));
  EXPECT_TRUE(refused({"01/06/00", "2", ""}));
}

TEST(Split, RestatesEveryEarlierQuoteOnlyAndRecordsTheTexts) {
  QuoteFixture f;
  // On the first date no quote lies before it: nothing changes, but it is recorded.
  ASSERT_TRUE(RunSplit(f.Context(), {"01/03/00", "1", "10"}, f.Io()).succeeded);
  EXPECT_EQ(f.Dat(), f.DatOf(QuoteFixture::Records()));
  EXPECT_EQ(f.Setting(settings::kSplit, "Old"), "10");

  const SplitTexts texts{"01/06/00", "2", "1"};
  ASSERT_TRUE(CheckSplitEntries(texts, f.Context(), f.prompt));
  const QuoteCommandOutcome outcome = RunSplit(f.Context(), texts, f.Io());
  EXPECT_TRUE(outcome.succeeded);
  EXPECT_EQ(outcome.rowToShow, 0);
  auto expected = QuoteFixture::Records();
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t field = 1; field <= 4; ++field) expected[i][field] *= 0.5f;
    expected[i][5] *= 2.0f;
  }
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  EXPECT_EQ(f.Setting(settings::kSplit, "Date"), "01/06/00");
  EXPECT_EQ(f.Setting(settings::kSplit, "New"), "2");
  EXPECT_EQ(f.Setting(settings::kSplit, "Old"), "1");
}

TEST(AdjustChecks, BothDatesWithinTheSeriesAndNoZeroMultiplier) {
  QuoteFixture f;
  const auto valid = [&](AdjustTexts texts) {
    RecordingPrompt prompt;
    return CheckAdjustEntries(texts, f.Context(), prompt);
  };
  EXPECT_TRUE(valid({"01/03/00", "01/11/00", "1", "1", "1"}));
  EXPECT_TRUE(valid({"01/11/00", "01/03/00", "1", "1", "1"}));   // reversed range passes
  EXPECT_TRUE(valid({"01/04/00", "01/04/00", "2", "1", "-1"}));  // negative OI multiplier
  EXPECT_FALSE(valid({"01/02/00", "01/11/00", "1", "1", "1"}));
  EXPECT_FALSE(valid({"01/03/00", "01/12/00", "1", "1", "1"}));
  EXPECT_FALSE(valid({"01/03/00", "01/11/00", "0", "1", "1"}));
  EXPECT_FALSE(valid({"01/03/00", "01/11/00", "1", "0", "1"}));
  EXPECT_FALSE(valid({"01/03/00", "01/11/00", "1", "1", "0"}));
  EXPECT_FALSE(valid({"01/03/00", "01/11/00", "1", "1", "x"}));
  RecordingPrompt prompt;
  CheckAdjustEntries({"01/03/0", "01/11/00", "0", "1", "1"}, f.Context(), prompt);
  EXPECT_EQ(prompt.MessageTexts(), kInvalid);  // one message covers every failed check
}

TEST(Adjust, ScalesTheRangeBothEndsIncludedAndRecordsTheTexts) {
  QuoteFixture f;
  const AdjustTexts texts{"01/04/00", "01/06/00", "2", "0.5", "3"};
  ASSERT_TRUE(RunAdjust(f.Context(), texts, f.Io()).succeeded);
  auto expected = QuoteFixture::Records();
  for (std::size_t i = 1; i <= 3; ++i) {
    for (std::size_t field = 1; field <= 4; ++field) expected[i][field] *= 2.0f;
    expected[i][5] *= 0.5f;  // no open-interest column: nothing else is created
  }
  EXPECT_EQ(f.Dat(), f.DatOf(expected));
  const std::pair<const char*, const char*> record[] = {{"Date1", "01/04/00"},
                                                        {"Date2", "01/06/00"},
                                                        {"PriceMult", "2"},
                                                        {"VolMult", "0.5"},
                                                        {"OIMult", "3"}};
  for (const auto& [name, text] : record) EXPECT_EQ(f.Setting(settings::kAdjust, name), text);
}

TEST(Adjust, ProductsWithoutAStoredFormAreRefusedBeforeAnyChange) {
  QuoteFixture f;
  const Bytes before = f.Dat();
  EXPECT_FALSE(
      RunAdjust(f.Context(), {"01/03/00", "01/11/00", "1", "1e36", "1"}, f.Io()).succeeded);
  EXPECT_EQ(f.prompt.MessageTexts(), std::vector<std::string>{"Adjust Edit Failed"});
  EXPECT_EQ(f.Dat(), before);
}

}  // namespace
}  // namespace voltrim::testing
