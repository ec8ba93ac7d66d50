#include <gtest/gtest.h>

#include <cmath>

#include "splitsearch/split_pair_test.h"

namespace voltrim {
namespace {

// A bar whose whole range is its close, so the gap is the distance between the closes.
PairBar Flat(float close) { return {close, close, close}; }

void ExpectPair(const RatioPair* found, int p, int q) {
  ASSERT_NE(found, nullptr) << "expected " << p << " for " << q;
  EXPECT_EQ(found->p, p);
  EXPECT_EQ(found->q, q);
}

TEST(SplitPairTest, HalvingCloseAcrossAGapIsTwoForOne) {
  ExpectPair(TestSplitPair({101, 98, 100}, {52, 49, 50}), 2, 1);
  // The same closes with ranges that come within 40 (80% of the move) of each other.
  EXPECT_FALSE(TestSplitPair({101, 70, 100}, {52, 49, 50}));
  EXPECT_FALSE(TestSplitPair({101, 92, 100}, {52, 49, 50}))  // gap exactly 40: not more
      << "a gap equal to the threshold must not count";
}

TEST(SplitPairTest, RatioNearThreeIsThreeForOne) {
  ExpectPair(TestSplitPair({30.5f, 29.5f, 30}, {10.5f, 10, 10.2f}), 3, 1);
}

TEST(SplitPairTest, GapIsMeasuredOnTheSideThePriceMovedTo) {
  // A rise to double: the earlier high against the later low.
  ExpectPair(TestSplitPair({52, 49, 50}, {101, 98, 100}), 1, 2);
  // Earlier low and later high far apart, but the ranges overlap where it matters.
  EXPECT_FALSE(TestSplitPair({95, 1, 50}, {101, 60, 100}));
  // A fall where only the wrong side (earlier high, later low) is far apart.
  EXPECT_FALSE(TestSplitPair({200, 45, 100}, {55, 10, 50}));
}

TEST(SplitPairTest, EveryListedRatioIsFoundAndOthersAreNot) {
  for (const RatioPair& pair : kSplitRatioPairs) {
    const float earlier = static_cast<float>(pair.p) * 12.0f;
    const float later = static_cast<float>(pair.q) * 12.0f;
    ExpectPair(TestSplitPair(Flat(earlier), Flat(later)), pair.p, pair.q);
  }
  // 3:4, 4:3 and no change are never split candidates, whatever the gap.
  EXPECT_FALSE(TestSplitPair(Flat(30), Flat(40)));
  EXPECT_FALSE(TestSplitPair(Flat(40), Flat(30)));
  EXPECT_FALSE(TestSplitPair({20, 10, 15}, {30, 25, 15}));
}

TEST(SplitPairTest, ZeroCloseIsNeverACandidate) {
  EXPECT_FALSE(TestSplitPair({100, 98, 0}, {52, 49, 50}));
  EXPECT_FALSE(TestSplitPair({100, 98, 100}, {52, 49, 0}));
}

// The bands are open intervals in double precision around p/q. Closes are chosen so
// that the single-precision ratio is the float on either side of each bound.
TEST(SplitPairTest, BandBoundsAreStrictAndDoublePrecision) {
  for (const RatioPair& pair : kSplitRatioPairs) {
    const double nominal = static_cast<double>(pair.p) / pair.q;
    for (const double bound : {0.9 * nominal, 1.1 * nominal}) {
      const bool lower = bound < nominal;
      float outside = static_cast<float>(bound);
      if (lower ? outside > bound : outside < bound) {
        outside = std::nextafter(outside, lower ? 0.0f : 100.0f);
      }
      const float inside = std::nextafter(outside, lower ? 100.0f : 0.0f);
      ASSERT_TRUE(lower ? static_cast<double>(inside) > bound
                        : static_cast<double>(inside) < bound);
      // Later close 1, earlier close the ratio; the flat bars give a gap of the whole
      // move, which is more than 80% of it.
      EXPECT_FALSE(TestSplitPair(Flat(outside), Flat(1.0f)))
          << pair.p << "/" << pair.q << " ratio " << outside;
      ExpectPair(TestSplitPair(Flat(inside), Flat(1.0f)), pair.p, pair.q);
    }
  }
}

}  // namespace
}  // namespace voltrim
