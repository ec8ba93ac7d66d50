#include "quotes/quote_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "quotes/quote_edit.h"

namespace voltrim {
namespace {

constexpr std::array<bool, 6> kAllHeld = {true, true, true, true, true, true};

QuoteValues Values(float open, float high, float low, float close,
                   std::array<bool, 6> held = kAllHeld) {
  return {{open, high, low, close, 1000.0f, 0.0f}, held};
}

// The rules a quote breaks, as the check reports them and the editor asks about them.
TEST(QuoteRulesTest, ValuesAloneFirstThenHighAgainstLowThenOpenAndCloseWithin) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    QuoteValues values;
    const char* question;  // nullptr: nothing to ask
  };
  std::array<bool, 6> noOpen = kAllHeld;
  noOpen[kOpenValue] = false;
  std::array<bool, 6> noLow = kAllHeld;
  noLow[kLowValue] = false;
  const Case cases[] = {
      {Values(10, 11, 9, 10.5f), nullptr},
      {Values(9, 11, 9, 11), nullptr},  // on the edges is within
      {Values(10, 8, 9, 10), "High is below Low.\n\nSave anyway?"},
      {Values(12, 11, 9, 8), "Open is above High.\nClose is below Low.\n\nSave anyway?"},
      {Values(12, 11, 9, 10, noOpen), nullptr},  // an open not held is not looked at
      {Values(10, 11, 20, 10, noLow), nullptr},  // nor a high without a low
      {Values(10, inf, 9, 10), "High is too large to store.\n\nSave anyway?"},
      // A value at fault alone hides the price comparisons, as in the check.
      {Values(-1, 8, 9, 10), "Open is below zero.\n\nSave anyway?"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> question = ContradictionQuestion(c.values);
    if (c.question) {
      EXPECT_EQ(question, std::string(c.question));
    } else {
      EXPECT_EQ(question, std::nullopt) << *question;
    }
  }
  const std::vector<QuoteRuleBreach> broken = BrokenQuoteRules(Values(12, 11, 9, 8));
  ASSERT_EQ(broken.size(), 2u);
  EXPECT_EQ(broken[0].rule, QuoteRule::OutsideRange);
  EXPECT_EQ(broken[1].field, kCloseValue);
}

// What the write will hold: changed texts that read as numbers, stored values elsewhere.
TEST(QuoteRulesTest, TheValuesAfterAnEditAreTheChangedOnesOverTheStored) {
  QuoteEditInput input;
  input.loaded.values = {"10.0000", "11.0000", "9.0000", "10.5000", "1000", "N/A"};
  input.entered = input.loaded;
  input.entered.values[kHighValue] = "8.5";
  input.entered.values[kCloseValue] = ".";  // no number: the stored close stays
  Quote stored;
  stored.open = 10.00001f;
  stored.high = 11;
  stored.low = 9;
  stored.close = 10.5f;
  stored.volume = 1000;
  std::array<bool, 6> held = kAllHeld;
  held[kOiValue] = false;
  const QuoteValues after = ValuesAfterEdit(input, stored, held);
  EXPECT_EQ(after.value[kOpenValue], 10.00001f);  // untouched: as stored, not as shown
  EXPECT_EQ(after.value[kHighValue], 8.5f);
  EXPECT_EQ(after.value[kCloseValue], 10.5f);
  EXPECT_EQ(after.held, held);
  EXPECT_EQ(ContradictionQuestion(after), "High is below Low.\n\nSave anyway?");
}

}  // namespace
}  // namespace voltrim
