#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "quotes/entry_fields.h"
#include "text/number_parse.h"

namespace voltrim {
namespace {

TEST(NumericEntryField, TakesDigitsPointAndControlKeysOnly) {
  for (char c : std::string("0123456789.\b\x16")) EXPECT_TRUE(NumericFieldAcceptsChar(c)) << c;
  for (char c : std::string("-+eEa ,/\xE9")) EXPECT_FALSE(NumericFieldAcceptsChar(c)) << c;
}

// Digits, odd selections and other keys are typed into the field itself in the window
// tests (quote_entry_fields_test); Tab, which the field hands to its dialog, is not.
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
