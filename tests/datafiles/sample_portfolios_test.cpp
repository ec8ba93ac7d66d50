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

// Plausible quotes on weekdays in order, every kind of series the demonstration needs, and
// exactly the two unrecorded splits the split search is to find.
TEST(SamplePortfolios, HaveTheShapesTheDemonstrationNeeds) {
  const auto portfolios = SamplePortfolios();
  std::set<int> inferredLengths;
  bool intradayWithTimeInDop = false, subdirectory = false, emptySymbol = false;
  std::size_t shortest = SIZE_MAX, longest = 0;
  std::set<std::string> splits;
  for (const auto& portfolio : portfolios) {
    for (const auto& entry : portfolio.plan.entries) {
      subdirectory |= entry.isSubdirectory;
      if (entry.isSubdirectory) continue;
      const SeriesSpec& s = entry.series;
      SCOPED_TRACE(s.name);
      if (!s.writeDop) inferredLengths.insert(static_cast<int>(s.fields.size() * 4));
      intradayWithTimeInDop |=
          s.periodicity == 'I' && Get(s, s.records[0], Field::Time) >= 0 && s.writeDop;
      emptySymbol |= s.symbol.empty();
      shortest = std::min(shortest, s.records.size());
      longest = std::max(longest, s.records.size());
      double previous = 0;
      PairBar before;
      for (std::size_t i = 0; i < s.records.size(); ++i) {
        const RawRecord& r = s.records[i];
        ASSERT_EQ(r.size(), s.fields.size());
        const float date = Get(s, r, Field::Date);
        ASSERT_FALSE(IsWeekend(DateFloatToDay(date)));
        const double stamp = date * 1e6 + std::max(0.0f, Get(s, r, Field::Time));
        ASSERT_GT(stamp, previous);
        previous = stamp;
        const float open = Get(s, r, Field::Open), high = Get(s, r, Field::High);
        const float low = Get(s, r, Field::Low), close = Get(s, r, Field::Close);
        ASSERT_GT(close, 0.0f);
        ASSERT_TRUE(high < 0 || (0 < low && low <= close && close <= high));
        ASSERT_TRUE(open < 0 || (low <= open && open <= high));
        ASSERT_TRUE(Get(s, r, Field::Vol) < 0 || Get(s, r, Field::Vol) >= 100.0f);
        const PairBar bar{high, low, close};
        const RatioPair* split = i > 0 ? TestSplitPair(before, bar) : nullptr;
        if (split != nullptr)
          splits.insert(s.symbol + " " + std::to_string(split->p) + " for " +
                        std::to_string(split->q) + " at " + std::to_string(i));
        before = bar;
      }
    }
  }
  EXPECT_GE(portfolios.size(), 3u);
  for (const int length : {20, 24, 28}) EXPECT_TRUE(inferredLengths.count(length)) << length;
  EXPECT_TRUE(intradayWithTimeInDop);
  EXPECT_TRUE(subdirectory);
  EXPECT_TRUE(emptySymbol);
  EXPECT_LT(shortest, 100u);
  EXPECT_GT(longest, 16000u);
  EXPECT_LE(longest, 32766u);  // what a DAT header can count
  EXPECT_EQ(splits, (std::set<std::string>{"BOLT 2 for 1 at 1100", "DYNA 1 for 4 at 600"}));
}

// Written to disk, every series reads back through the ordinary readers with the values
// it was made of, including those whose layout must be inferred.
TEST(SamplePortfolios, ReadBackThroughTheReaders) {
  TempDir dir;
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios((dir.path() / "demo").string(), written), kOk);
  const auto portfolios = SamplePortfolios();
  ASSERT_EQ(written.size(), portfolios.size());
  SeriesBuffer buffer;
  ASSERT_EQ(AllocSeriesBuffer(buffer, 1), kOk);
  for (std::size_t p = 0; p < portfolios.size(); ++p) {
    for (const auto& entry : portfolios[p].plan.entries) {
      if (entry.isSubdirectory) continue;
      const SeriesSpec& s = entry.series;
      SCOPED_TRACE(s.name);
      ASSERT_EQ(ReadSeries(buffer, written[p], s.symbol.empty() ? s.name : s.symbol, -1, 1), kOk);
      EXPECT_EQ(buffer.Total(), static_cast<int>(s.records.size()));
      const Quote newest = buffer.At(0);
      const RawRecord& last = s.records.back();
      EXPECT_EQ(newest.date, DateFloatToDay(Get(s, last, Field::Date)));
      EXPECT_EQ(newest.time, TimeFloatToPacked(std::max(0.0f, Get(s, last, Field::Time))));
      for (const Field f : kValueFields) EXPECT_EQ(newest.Value(f), Get(s, last, f));
    }
  }
  // The archive is reached through the subdirectory entry of the legacy portfolio.
  FoundSymbol found;
  ASSERT_EQ(FindSymbol(written[2], "OLDC", found), kOk);
  EXPECT_EQ(found.directory, written[2] + "/ARCHIVE/");
}

}  // namespace
}  // namespace voltrim::testing
