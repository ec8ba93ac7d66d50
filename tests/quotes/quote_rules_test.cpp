#include "quotes/quote_rules.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "quotes/entry_fields.h"
#include "quotes/quote_edit.h"
#include "text/number_parse.h"

namespace voltrim {
namespace {

constexpr std::array<bool, 6> kAllHeld = {true, true, true, true, true, true};

QuoteValues Values(float open, float high, float low, float close,
                   std::array<bool, 6> held = kAllHeld) {
  return {{open, high, low, close, 1000.0f, 0.0f}, held};
}

TEST(QuoteRulesTest, ValuesAloneFirstThenHighAgainstLowThenOpenAndCloseWithin) {
  const float inf = std::numeric_limits<float>::infinity();
  std::array<bool, 6> noOpen = kAllHeld, noLow = kAllHeld;
  noOpen[kOpenValue] = noLow[kLowValue] = false;
  const std::pair<QuoteValues, std::string> cases[] = {
      // "": nothing to ask
      {Values(10, 11, 9, 10.5f), ""},
      {Values(9, 11, 9, 11), ""},  // on the edges is within
      {Values(10, 8, 9, 10), "High is below Low.\n\nSave anyway?"},
      {Values(12, 11, 9, 8), "Open is above High.\nClose is below Low.\n\nSave anyway?"},
      {Values(12, 11, 9, 10, noOpen), ""},  // an open not held is not looked at
      {Values(10, 11, 20, 10, noLow), ""},  // nor a high without a low
      {Values(10, inf, 9, 10), "High is too large to store.\n\nSave anyway?"},
      // A value at fault alone hides the price comparisons, as in the check.
      {Values(-1, 8, 9, 10), "Open is below zero.\n\nSave anyway?"},
  };
  for (const auto& [values, question] : cases)
    EXPECT_EQ(ContradictionQuestion(values).value_or(""), question);
  const std::vector<QuoteRuleBreach> broken = BrokenQuoteRules(Values(12, 11, 9, 8));
  ASSERT_EQ(broken.size(), 2u);
  EXPECT_EQ(broken[0].rule, QuoteRule::OutsideRange);
  EXPECT_EQ(broken[1].field, kCloseValue);
}

TEST(QuoteRulesTest, TheValuesAfterAnEditAreTheChangedOnesOverTheStored) {
  QuoteEditInput input;
  input.loaded.values = {"10.0000", "11.0000", "9.0000", "10.5000", "1000", "N/A"};
  input.entered = input.loaded;
  input.entered.values[kHighValue] = "8.5";
  input.entered.values[kCloseValue] = ".";  // no number: the stored close stays
  const Quote stored{0, 0, 10.00001f, 11, 9, 10.5f, 1000, 0};
  std::array<bool, 6> held = kAllHeld;
  held[kOiValue] = false;
  const QuoteValues after = ValuesAfterEdit(input, stored, held);
  EXPECT_EQ(after.value[kOpenValue], 10.00001f);  // untouched: as stored, not as shown
  EXPECT_EQ(after.value[kHighValue], 8.5f);
  EXPECT_EQ(after.value[kCloseValue], 10.5f);
  EXPECT_EQ(after.held, held);
  EXPECT_EQ(ContradictionQuestion(after), "High is below Low.\n\nSave anyway?");
}

TEST(NumericEntryField, TakesDigitsPointAndControlKeysOnly) {
  for (char c : std::string("0123456789.\b\x16")) EXPECT_TRUE(NumericFieldAcceptsChar(c)) << c;
  for (char c : std::string("-+eEa ,/\xE9")) EXPECT_FALSE(NumericFieldAcceptsChar(c)) << c;
}

// Other keys are typed into the field itself in the window tests; Tab is handed on.
TEST(DateEntryField, TabPassesOnAndALongerTextIsCut) {
  DateFieldState state = MakeDateFieldState("03/15/1999");
  EXPECT_EQ(state.text, "03/15/19");
  state.selectionStart = 1;
  state.selectionEnd = 2;
  EXPECT_EQ(DateFieldTypeChar(state, '\t'), DateKeyOutcome::PassOn);
  EXPECT_EQ(state.text, "03/15/19");
  EXPECT_EQ(state.selectionStart, 1);
  EXPECT_EQ(state.selectionEnd, 2);
}

// The longest decimal prefix, rounded once to single precision, or nothing.
TEST(NumberText, ReadsTheLongestDecimalPrefix) {
  const float inf = std::numeric_limits<float>::infinity();
  const std::pair<const char*, std::optional<float>> cases[] = {
      {"1.5.2", 1.5f},       {"  12.25abc", 12.25f},
      {"1e3x", 1000.0f},     {"0x10", 0.0f},
      {"1e39", inf},         {"0.0000000000000000000000000000000000000000000001", 0.0f},
      {"", std::nullopt},    {"N/A", std::nullopt},
      {"inf", std::nullopt}, {"nan", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseNumberText(text), value) << text;
}

}  // namespace
}  // namespace voltrim
