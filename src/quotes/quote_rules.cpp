#include "quotes/quote_rules.h"

#include <cmath>

namespace voltrim {

std::vector<QuoteRuleBreach> BrokenQuoteRules(const QuoteValues& quote) {
  std::vector<QuoteRuleBreach> broken;
  for (int field = 0; field < kQuoteValueFields; ++field) {
    const auto at = static_cast<std::size_t>(field);
    if (!quote.held[at]) continue;
    if (!std::isfinite(quote.value[at])) {
      broken.push_back({QuoteRule::NotFinite, field});
    } else if (quote.value[at] < 0.0f) {
      broken.push_back({QuoteRule::NegativeValue, field});
    }
  }
  if (!broken.empty() || !quote.held[kHighValue] || !quote.held[kLowValue]) return broken;
  const float high = quote.value[kHighValue];
  const float low = quote.value[kLowValue];
  if (high < low) return {{QuoteRule::HighBelowLow, kHighValue}};
  for (const int field : {kOpenValue, kCloseValue}) {
    const auto at = static_cast<std::size_t>(field);
    if (quote.held[at] && (quote.value[at] > high || quote.value[at] < low)) {
      broken.push_back({QuoteRule::OutsideRange, field});
    }
  }
  return broken;
}

}  // namespace voltrim
