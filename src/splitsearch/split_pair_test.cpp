#include "splitsearch/split_pair_test.h"

#include <cmath>

namespace voltrim {

namespace {

constexpr double kLowerTolerance = 0.9;
constexpr double kUpperTolerance = 1.1;
constexpr float kGapShare = 0.8f;

// The distance between the bars' ranges on the side the price moved to.
float RangeGap(const PairBar& a, const PairBar& b) {
  if (a.close > b.close) return std::fabs(a.low - b.high);
  return std::fabs(a.high - b.low);
}

}  // namespace

std::optional<RatioPair> TestSplitPair(const PairBar& a, const PairBar& b) {
  if (a.close == 0.0f || b.close == 0.0f) return std::nullopt;
  const float ratio = a.close / b.close;
  const float move = std::fabs(a.close - b.close);
  const float threshold = move * kGapShare;
  if (!(RangeGap(a, b) > threshold)) return std::nullopt;
  for (const RatioPair& pair : kSplitRatioPairs) {
    const double nominal = static_cast<double>(pair.p) / static_cast<double>(pair.q);
    const double r = static_cast<double>(ratio);
    if (kLowerTolerance * nominal < r && r < kUpperTolerance * nominal) return pair;
  }
  return std::nullopt;
}

}  // namespace voltrim
