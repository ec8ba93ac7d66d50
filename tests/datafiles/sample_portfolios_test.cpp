#include "samples/sample_portfolios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "fixtures.h"
#include "splitsearch/split_pair_test.h"

namespace voltrim::testing {
namespace {

// A field's value in a record, or -1 when the series does not store it.
float Get(const SeriesSpec& s, const RawRecord& record, Field field) {
  const auto at = std::find(s.fields.begin(), s.fields.end(), field);
  return at == s.fields.end() ? -1.0f : record[static_cast<std::size_t>(at - s.fields.begin())];
}

// The generated data holds exactly the two unrecorded splits the split search is to find.
// (Reading the written portfolios back is the sample command's test.)
TEST(SamplePortfolios, HoldExactlyTheTwoDemonstrationSplits) {
  std::set<std::string> splits;
  for (const auto& portfolio : SamplePortfolios()) {
    for (const auto& entry : portfolio.plan.entries) {
      const SeriesSpec& s = entry.series;
      const auto bar = [&](const RawRecord& r) {
        return PairBar{Get(s, r, Field::High), Get(s, r, Field::Low), Get(s, r, Field::Close)};
      };
      for (std::size_t i = 1; !entry.isSubdirectory && i < s.records.size(); ++i)
        if (const RatioPair* split = TestSplitPair(bar(s.records[i - 1]), bar(s.records[i])))
          splits.insert(s.symbol + " " + std::to_string(split->p) + " for " +
                        std::to_string(split->q) + " at " + std::to_string(i));
    }
  }
  EXPECT_EQ(splits, (std::set<std::string>{"BOLT 2 for 1 at 1100", "DYNA 1 for 4 at 600"}));
}

}  // namespace
}  // namespace voltrim::testing
