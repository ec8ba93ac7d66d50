#include <gtest/gtest.h>

#include <cmath>

#include "splitsearch/split_pair_test.h"

namespace voltrim {
namespace {

// A bar whose whole range is its close, so the gap is the whole move.
PairBar Flat(float close) { return {close, close, close}; }

void ExpectPair(const RatioPair* found, int p, int q) {
  ASSERT_NE(found, nullptr) << "expected " << p << " for " << q;
  EXPECT_EQ(found->p, p);
  EXPECT_EQ(found->q, q);
}

TEST(SplitPairTest, CloseRatioAcrossAGap) {
  ExpectPair(TestSplitPair({101, 98, 100}, {52, 49, 50}), 2, 1);
  // Ranges within 80% of the move (40) of each other, or exactly 40 apart.
  EXPECT_FALSE(TestSplitPair({101, 70, 100}, {52, 49, 50}));
  EXPECT_FALSE(TestSplitPair({101, 92, 100}, {52, 49, 50}));
  // A rise is measured from the earlier high to the later low, not the other pair.
  ExpectPair(TestSplitPair({52, 49, 50}, {101, 98, 100}), 1, 2);
  EXPECT_FALSE(TestSplitPair({95, 1, 50}, {101, 60, 100}));
  EXPECT_FALSE(TestSplitPair(Flat(30), Flat(40)));  // 3:4 is not a split ratio
}

// Each of the eight ratios is found within a band that is open and in double precision:
// the single-precision ratio just outside each bound is refused, the one just inside found.
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
      EXPECT_FALSE(TestSplitPair(Flat(outside), Flat(1.0f))) << pair.p << "/" << pair.q;
      ExpectPair(TestSplitPair(Flat(inside), Flat(1.0f)), pair.p, pair.q);
    }
  }
}

// The quick pass may only skip steps the full test would refuse anyway; flat bars make the
// gap the whole move, so only the ratio decides there.
TEST(OrdinaryStep, NeverSkipsAStepTheFullTestWouldList) {
  int ordinary = 0;
  for (float later : {1.0f, 3.7f, 250.0f, 1.0e-6f, 6.0e7f}) {
    for (double ratio = 0.2; ratio < 4.5; ratio += 0.001) {
      for (const float earlier : {static_cast<float>(ratio * later),
                                  std::nextafter(static_cast<float>(ratio * later), 0.0f),
                                  std::nextafter(static_cast<float>(ratio * later), 1.0e9f)}) {
        if (!IsOrdinaryStep(earlier, later)) continue;
        ++ordinary;
        EXPECT_EQ(TestSplitPair(Flat(earlier), Flat(later)), nullptr) << earlier << " " << later;
      }
    }
  }
  EXPECT_GT(ordinary, 0);
}

}  // namespace
}  // namespace voltrim
