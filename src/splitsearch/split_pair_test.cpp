#include "splitsearch/split_pair_test.h"

#include <cmath>

namespace voltrim {

namespace {

constexpr float kGapShare = 0.8f;

// The open band (0.9 p/q, 1.1 p/q) of each ratio pair, worked out once.
struct Band {
  double lower;
  double upper;
};

constexpr std::array<Band, kSplitRatioPairs.size()> MakeBands() {
  std::array<Band, kSplitRatioPairs.size()> bands{};
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const double nominal =
        static_cast<double>(kSplitRatioPairs[i].p) / static_cast<double>(kSplitRatioPairs[i].q);
    bands[i] = {0.9 * nominal, 1.1 * nominal};
  }
  return bands;
}

constexpr auto kBands = MakeBands();

// Between the 2:3 band and the 3:2 band lies no band at all; nearly every ordinary day's
// ratio falls there, so it is ruled out first.
constexpr double kQuietLower = kBands[4].upper;
constexpr double kQuietUpper = kBands[6].lower;
static_assert(kSplitRatioPairs[4].p == 2 && kSplitRatioPairs[4].q == 3);
static_assert(kSplitRatioPairs[6].p == 3 && kSplitRatioPairs[6].q == 2);

// The distance between the bars' ranges on the side the price moved to.
float RangeGap(const PairBar& a, const PairBar& b) {
  if (a.close > b.close) return std::fabs(a.low - b.high);
  return std::fabs(a.high - b.low);
}

}  // namespace

const RatioPair* TestSplitPair(const PairBar& a, const PairBar& b) {
  if (a.close == 0.0f || b.close == 0.0f) return nullptr;
  const double r = static_cast<double>(a.close / b.close);
  if (r >= kQuietLower && r <= kQuietUpper) return nullptr;
  const float threshold = std::fabs(a.close - b.close) * kGapShare;
  if (!(RangeGap(a, b) > threshold)) return nullptr;
  for (std::size_t i = 0; i < kBands.size(); ++i) {
    if (kBands[i].lower < r && r < kBands[i].upper) return &kSplitRatioPairs[i];
  }
  return nullptr;
}

}  // namespace voltrim
