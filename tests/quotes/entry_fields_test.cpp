#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "quotes/entry_fields.h"
#include "quotes/number_text.h"

namespace voltrim {
namespace {

TEST(NumericEntryField, TakesDigitsPointAndControlKeysOnly) {
  for (char c : std::string("0123456789.")) EXPECT_TRUE(NumericFieldAcceptsChar(c)) << c;
  EXPECT_TRUE(NumericFieldAcceptsChar('\b'));    // Backspace
  EXPECT_TRUE(NumericFieldAcceptsChar('\x16'));  // Ctrl+V
  for (char c : std::string("-+eEa ,/")) EXPECT_FALSE(NumericFieldAcceptsChar(c)) << c;
  EXPECT_FALSE(NumericFieldAcceptsChar(static_cast<char>(0xE9)));
}

DateKeyOutcome Type(DateFieldState& state, const std::string& keys) {
  DateKeyOutcome last = DateKeyOutcome::Stored;
  for (char c : keys) last = DateFieldTypeChar(state, c);
  return last;
}

TEST(DateEntryField, SixDigitsFromAllSelectedFillTheDateAndSelectTheMonthAgain) {
  DateFieldState state = MakeDateFieldState("03/15/99");
  state.selectionStart = 0;
  state.selectionEnd = 8;
  EXPECT_EQ(Type(state, "040100"), DateKeyOutcome::Stored);
  EXPECT_EQ(state.text, "04/01/00");
  EXPECT_EQ(state.selectionStart, 0);
  EXPECT_EQ(state.selectionEnd, 2);
}

TEST(DateEntryField, CaretBetweenDayDigitsWritesTheFirstAndSelectsTheSecond) {
  DateFieldState state = MakeDateFieldState("03/15/99");
  state.selectionStart = state.selectionEnd = 4;
  EXPECT_EQ(DateFieldTypeChar(state, '7'), DateKeyOutcome::Stored);
  EXPECT_EQ(state.text, "03/75/99");
  EXPECT_EQ(state.selectionStart, 4);
  EXPECT_EQ(state.selectionEnd, 5);
}

TEST(DateEntryField, OddSelectionsBeepAndJumpToTheirGroup) {
  struct Case {
    int start, end, nextStart, nextEnd;
  };
  for (const Case c : {Case{4, 8, 3, 5}, Case{7, 7, 6, 8}, Case{2, 3, 0, 2}, Case{5, 5, 0, 2}}) {
    DateFieldState state = MakeDateFieldState("03/15/99");
    state.selectionStart = c.start;
    state.selectionEnd = c.end;
    EXPECT_EQ(DateFieldTypeChar(state, '1'), DateKeyOutcome::Beeped) << c.start << "," << c.end;
    EXPECT_EQ(state.text, "03/15/99");
    EXPECT_EQ(state.selectionStart, c.nextStart);
    EXPECT_EQ(state.selectionEnd, c.nextEnd);
  }
}

TEST(DateEntryField, NonDigitsBeepWithoutChangeAndTabPassesOn) {
  DateFieldState state = MakeDateFieldState("03/15/99");
  state.selectionStart = 1;
  state.selectionEnd = 2;
  for (char c : std::string("\b/a\x16")) {
    EXPECT_EQ(DateFieldTypeChar(state, c), DateKeyOutcome::Beeped);
  }
  EXPECT_EQ(DateFieldTypeChar(state, '\t'), DateKeyOutcome::PassOn);
  EXPECT_EQ(state.text, "03/15/99");
  EXPECT_EQ(state.selectionStart, 1);
  EXPECT_EQ(state.selectionEnd, 2);
}

TEST(DateEntryField, KeepsExactlyEightCharacters) {
  EXPECT_EQ(MakeDateFieldState("03/15/1999").text, "03/15/19");
  EXPECT_EQ(MakeDateFieldState("").text.size(), 8u);
}

TEST(NumberText, ReadsTheLongestDecimalPrefix) {
  EXPECT_EQ(ParseNumberText("1.5.2"), 1.5f);
  EXPECT_EQ(ParseNumberText("  12.25abc"), 12.25f);
  EXPECT_EQ(ParseNumberText(".5"), 0.5f);
  EXPECT_EQ(ParseNumberText("7."), 7.0f);
  EXPECT_EQ(ParseNumberText("-2"), -2.0f);
  EXPECT_EQ(ParseNumberText("1e3x"), 1000.0f);
  EXPECT_EQ(ParseNumberText("2e"), 2.0f);
  // Rounded once to single precision, as a float parse does.
  EXPECT_EQ(ParseNumberText("12.34567"), 12.34567f);
}

TEST(NumberText, TextsWithoutANumberGiveNothing) {
  for (const char* text : {"", ".", "N/A", " ", "-", "abc", "inf", "nan", "0x10"}) {
    if (std::string(text) == "0x10") {
      EXPECT_EQ(ParseNumberText(text), 0.0f);  // the "0" before the x
      continue;
    }
    EXPECT_FALSE(ParseNumberText(text).has_value()) << text;
  }
}

TEST(NumberText, MagnitudesBeyondSinglePrecision) {
  EXPECT_EQ(ParseNumberText("1e39"), std::numeric_limits<float>::infinity());
  EXPECT_EQ(ParseNumberText("-99999999999999999999999999999999999999999"),
            -std::numeric_limits<float>::infinity());
  EXPECT_EQ(ParseNumberText("1e-60"), 0.0f);
  EXPECT_EQ(ParseNumberText("0.0000000000000000000000000000000000000000000001"), 0.0f);
}

}  // namespace
}  // namespace voltrim
