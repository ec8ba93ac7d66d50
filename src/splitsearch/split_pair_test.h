#pragma once

#include <array>
#include <cstdint>

namespace voltrim {

// A split of p new shares for q old ones moves the close by the factor q/p, so the
// ratio earlier close / later close lies near p/q.
struct RatioPair {
  int p = 0;
  int q = 0;
};

// Tried in this order. 3:4 and 4:3 are too close to an ordinary move to be told apart,
// and 2:4 and 4:2 are the same ratios as 1:2 and 2:1.
inline constexpr std::array<RatioPair, 8> kSplitRatioPairs = {
    RatioPair{1, 2}, RatioPair{1, 3}, RatioPair{1, 4}, RatioPair{2, 1},
    RatioPair{2, 3}, RatioPair{3, 1}, RatioPair{3, 2}, RatioPair{4, 1}};

// The prices of one quote that the test looks at.
struct PairBar {
  float high = 0;
  float low = 0;
  float close = 0;
};

// Whether the step from quote a to the next quote b looks like a split: the close ratio
// lies strictly inside 10% of p/q, and the two bars' ranges are apart by more than 80%
// of the close's move. The ratio, move and gap are single precision as the data is;
// the bands are double precision. The bands do not overlap, so at most one pair fits:
// the pair (an entry of kSplitRatioPairs), or null.
const RatioPair* TestSplitPair(const PairBar& a, const PairBar& b);

// True for an ordinary day's step, for which TestSplitPair is sure to give null: closes of
// one sign within 0.75..1.3 of each other lie well inside the range between the 2:3 and
// 3:2 bands, whatever the rounding. Cheap enough to ask before the full test of every pair;
// the three comparisons are all made (no branches), so that a loop of them vectorises.
inline bool IsOrdinaryStep(float earlierClose, float laterClose) {
  return (laterClose > 0.0f) & (earlierClose >= 0.75f * laterClose) &
         (earlierClose <= 1.3f * laterClose);
}

// Which steps are tested. A split takes effect between trading days, so on a series with
// a time of day only the step from one day's last bar to the next day's first is: the
// moves between the bars of one day are not splits, and a jump across the night is not
// split into the bars around it. Every step of any other series is tested.
inline bool StepTested(bool hasTime, std::uint16_t earlierDay, std::uint16_t laterDay) {
  return !hasTime || earlierDay != laterDay;
}

// The ratio pair of the split that the step from quote a to the next quote b looks like,
// or null: the one test of the split search, by which the chart marks the same steps.
inline const RatioPair* SplitBetween(const PairBar& a, const PairBar& b) {
  if (IsOrdinaryStep(a.close, b.close)) return nullptr;
  return TestSplitPair(a, b);
}

}  // namespace voltrim
