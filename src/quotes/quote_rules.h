#pragma once

#include <array>
#include <vector>

namespace voltrim {

// The value fields of a quote in the order the dialogs and the grid show them: Open, High,
// Low, Close, Volume, Open Interest.
inline constexpr int kQuoteValueFields = 6;
enum QuoteValueField : int {
  kOpenValue = 0,
  kHighValue,
  kLowValue,
  kCloseValue,
  kVolValue,
  kOiValue
};

// One quote's values as the rules look at them, and which of them its series holds.
struct QuoteValues {
  std::array<float, kQuoteValueFields> value{};
  std::array<bool, kQuoteValueFields> held{};
};

// The rules of a sound quote, as the portfolio check applies them.
enum class QuoteRule {
  NotFinite,      // a value that is infinite or not a number
  NegativeValue,  // a value below zero
  HighBelowLow,
  OutsideRange,  // open or close outside low - high
};

struct QuoteRuleBreach {
  QuoteRule rule;
  int field;  // the value at fault (High for HighBelowLow)
};

// The rules a quote's held values break, in field order. Each held value is first checked
// alone; only when all of them pass are the prices compared: high below low, else open and
// close outside the low - high range.
std::vector<QuoteRuleBreach> BrokenQuoteRules(const QuoteValues& quote);

}  // namespace voltrim
