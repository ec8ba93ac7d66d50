#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "splitsearch/split_pair_test.h"

namespace voltrim {
namespace {

PairBar Flat(float close) { return {close, close, close}; }

// The quick pass may only skip steps the full test would refuse anyway; flat bars make the
// gap the whole move, so only the ratio decides there.
TEST(OrdinaryStep, NeverSkipsAStepTheFullTestWouldList) {
  int ordinary = 0;
  for (float later : {1.0f, 3.7f, 250.0f, 1.0e-6f, 6.0e7f}) {
    for (double ratio = 0.4; ratio < 1.7; ratio += 0.0005) {
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

TEST(OrdinaryStep, OddClosesGoToTheFullTest) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(IsOrdinaryStep(10.0f, 10.5f));
  EXPECT_FALSE(IsOrdinaryStep(0.0f, 0.0f));
  EXPECT_FALSE(IsOrdinaryStep(-10.0f, -10.5f));
  EXPECT_FALSE(IsOrdinaryStep(nan, 10.0f));
  EXPECT_FALSE(IsOrdinaryStep(10.0f, nan));
  EXPECT_FALSE(IsOrdinaryStep(20.0f, 10.0f));
}

}  // namespace
}  // namespace voltrim
