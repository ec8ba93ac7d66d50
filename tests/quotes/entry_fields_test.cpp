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

// Keys typed into "03/15/99" with a selection: the outcome, the text and the selection after.
TEST(DateEntryField, KeysFillDigitGroupsAndBeepAtEverythingElse) {
  struct Case {
    int start, end;
    std::string keys;
    DateKeyOutcome outcome;
    std::string text;
    int nextStart, nextEnd;
  };
  const auto beep = DateKeyOutcome::Beeped;
  const std::string same = "03/15/99";
  const Case cases[] = {
      {0, 8, "040100", DateKeyOutcome::Stored, "04/01/00", 0, 2},  // all selected
      {4, 4, "7", DateKeyOutcome::Stored, "03/75/99", 4, 5},       // caret between day digits
      // Odd selections beep and jump to their group.
      {4, 8, "1", beep, same, 3, 5},
      {1, 2, "\b/a\x16", beep, same, 1, 2},
      {1, 2, "\t", DateKeyOutcome::PassOn, same, 1, 2},
  };
  for (const Case& c : cases) {
    DateFieldState state = MakeDateFieldState(same);
    state.selectionStart = c.start;
    state.selectionEnd = c.end;
    DateKeyOutcome last = DateKeyOutcome::Stored;
    for (char key : c.keys) last = DateFieldTypeChar(state, key);
    SCOPED_TRACE(std::to_string(c.start) + "," + std::to_string(c.end) + " " + c.keys);
    EXPECT_EQ(last, c.outcome);
    EXPECT_EQ(state.text, c.text);
    EXPECT_EQ(state.selectionStart, c.nextStart);
    EXPECT_EQ(state.selectionEnd, c.nextEnd);
  }
  EXPECT_EQ(MakeDateFieldState("03/15/1999").text, "03/15/19");
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
