#include "datafiles/sample_portfolios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "datafiles/series.h"
#include "fixtures.h"
#include "splitsearch/split_pair_test.h"

namespace voltrim::testing {
namespace {

// A field's value in a record, or -1 when the series does not store it.
float Get(const SeriesSpec& s, const RawRecord& record, Field field) {
  const auto at = std::find(s.fields.begin(), s.fields.end(), field);
  return at == s.fields.end() ? -1.0f : record[static_cast<std::size_t>(at - s.fields.begin())];
}

// Written to disk, every series reads back through the ordinary readers (inferred layouts
// too), and the data holds exactly the two unrecorded splits the split search is to find.
TEST(SamplePortfolios, ReadBackAndHoldExactlyTheTwoDemonstrationSplits) {
  TempDir dir;
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios((dir.path() / "demo").string(), written), kOk);
  const auto portfolios = SamplePortfolios();
  ASSERT_EQ(written.size(), portfolios.size());
  SeriesBuffer buffer;
  ASSERT_EQ(AllocSeriesBuffer(buffer, 1), kOk);
  std::set<std::string> splits;
  for (std::size_t p = 0; p < portfolios.size(); ++p) {
    for (const auto& entry : portfolios[p].plan.entries) {
      if (entry.isSubdirectory) continue;
      const SeriesSpec& s = entry.series;
      SCOPED_TRACE(s.name);
      ASSERT_EQ(ReadSeries(buffer, written[p], s.symbol.empty() ? s.name : s.symbol, -1, 1), kOk);
      EXPECT_EQ(buffer.Total(), static_cast<int>(s.records.size()));
      const RawRecord& last = s.records.back();
      EXPECT_EQ(buffer.At(0).date, DateFloatToDay(Get(s, last, Field::Date)));
      for (const Field f : kValueFields) EXPECT_EQ(buffer.At(0).Value(f), Get(s, last, f));
      for (std::size_t i = 1; i < s.records.size(); ++i) {
        const auto bar = [&](const RawRecord& r) {
          return PairBar{Get(s, r, Field::High), Get(s, r, Field::Low), Get(s, r, Field::Close)};
        };
        if (const RatioPair* split = TestSplitPair(bar(s.records[i - 1]), bar(s.records[i])))
          splits.insert(s.symbol + " " + std::to_string(split->p) + " for " +
                        std::to_string(split->q) + " at " + std::to_string(i));
      }
    }
  }
  EXPECT_EQ(splits, (std::set<std::string>{"BOLT 2 for 1 at 1100", "DYNA 1 for 4 at 600"}));
  // The archive is reached through the subdirectory entry of the legacy portfolio.
  FoundSymbol found;
  ASSERT_EQ(FindSymbol(written[2], "OLDC", found), kOk);
  EXPECT_EQ(found.directory, written[2] + "/ARCHIVE/");
}

}  // namespace
}  // namespace voltrim::testing
