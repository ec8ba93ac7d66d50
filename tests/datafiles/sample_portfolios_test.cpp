#include "datafiles/sample_portfolios.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>

#include "datafiles/series.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

// Looks at one series' records through its field list.
struct RecordView {
  const SeriesSpec& series;

  float Get(const RawRecord& record, Field field) const {
    const auto at = std::find(series.fields.begin(), series.fields.end(), field);
    return at == series.fields.end() ? -1.0f
                                     : record[static_cast<std::size_t>(at - series.fields.begin())];
  }
};

std::vector<const SeriesSpec*> AllSeries(const std::vector<SamplePortfolio>& portfolios) {
  std::vector<const SeriesSpec*> all;
  for (const auto& portfolio : portfolios) {
    for (const auto& entry : portfolio.plan.entries) {
      if (!entry.isSubdirectory) all.push_back(&entry.series);
    }
  }
  return all;
}

// The split search's test of two consecutive quotes: a close-to-close ratio near p/q
// with the two bars' ranges apart by a gap.
std::string SplitPair(float ca, float cb, float ha, float la, float hb, float lb) {
  if (ca == 0 || cb == 0) return "";
  const float r = ca / cb;
  const float t = std::fabs(ca - cb) * 0.8f;
  const float g = ca > cb ? std::fabs(la - hb) : std::fabs(ha - lb);
  const int pairs[][2] = {{1, 2}, {1, 3}, {1, 4}, {2, 1}, {2, 3}, {3, 1}, {3, 2}, {4, 1}};
  for (const auto& [p, q] : pairs) {
    const double ratio = static_cast<double>(p) / q;
    if (0.9 * ratio < r && r < 1.1 * ratio && g > t) {
      return std::to_string(p) + " for " + std::to_string(q);
    }
  }
  return "";
}

bool Holds(const SeriesSpec& s, Field f) {
  return std::find(s.fields.begin(), s.fields.end(), f) != s.fields.end();
}

// Plausible quotes on weekdays in order, and every kind of series the demonstration needs.
TEST(SamplePortfolios, HaveTheShapesTheDemonstrationNeeds) {
  const auto portfolios = SamplePortfolios();
  std::set<int> inferredLengths;
  bool intradayWithTimeInDop = false, subdirectory = false, emptySymbol = false;
  std::size_t shortest = SIZE_MAX, longest = 0;
  for (const auto& portfolio : portfolios) {
    for (const auto& entry : portfolio.plan.entries) {
      subdirectory |= entry.isSubdirectory;
      if (entry.isSubdirectory) continue;
      const SeriesSpec& s = entry.series;
      if (!s.writeDop) inferredLengths.insert(static_cast<int>(s.fields.size() * 4));
      intradayWithTimeInDop |= s.periodicity == 'I' && Holds(s, Field::Time) && s.writeDop;
      emptySymbol |= s.symbol.empty();
      shortest = std::min(shortest, s.records.size());
      longest = std::max(longest, s.records.size());

      SCOPED_TRACE(s.name);
      const RecordView view{s};
      double previous = 0;
      for (const RawRecord& record : s.records) {
        ASSERT_EQ(record.size(), s.fields.size());
        const float date = view.Get(record, Field::Date);
        ASSERT_FALSE(IsWeekend(DateFloatToDay(date)));
        const double stamp = date * 1e6 + std::max(0.0f, view.Get(record, Field::Time));
        ASSERT_GT(stamp, previous);
        previous = stamp;
        const float open = view.Get(record, Field::Open), close = view.Get(record, Field::Close);
        const float high = view.Get(record, Field::High), low = view.Get(record, Field::Low);
        ASSERT_GT(close, 0.0f);
        if (Holds(s, Field::High)) {
          ASSERT_TRUE(0 < low && low <= close && close <= high);
        }
        if (Holds(s, Field::Open)) {
          ASSERT_TRUE(low <= open && open <= high);
        }
        if (Holds(s, Field::Vol)) {
          ASSERT_GE(view.Get(record, Field::Vol), 100.0f);
        }
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
}

TEST(SamplePortfolios, SplitSearchFindsExactlyTheTwoUnrecordedSplits) {
  const auto portfolios = SamplePortfolios();
  std::map<std::string, std::string> found;  // symbol -> "p for q on index"
  for (const SeriesSpec* s : AllSeries(portfolios)) {
    const RecordView view{*s};
    for (std::size_t i = 1; i < s->records.size(); ++i) {
      const RawRecord& a = s->records[i - 1];
      const RawRecord& b = s->records[i];
      const std::string split =
          SplitPair(view.Get(a, Field::Close), view.Get(b, Field::Close), view.Get(a, Field::High),
                    view.Get(a, Field::Low), view.Get(b, Field::High), view.Get(b, Field::Low));
      if (!split.empty()) found[s->symbol] += split + " at " + std::to_string(i) + ";";
    }
  }
  const std::map<std::string, std::string> expected = {{"BOLT", "2 for 1 at 1100;"},
                                                       {"DYNA", "1 for 4 at 600;"}};
  EXPECT_EQ(found, expected);
}

// Written to disk, every series reads back through the ordinary readers with the values
// it was made of, including those whose layout must be inferred.
TEST(SamplePortfolios, ReadBackThroughTheReaders) {
  testing::TempDir dir;
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
      const std::string key = s.symbol.empty() ? s.name : s.symbol;
      ASSERT_EQ(ReadSeries(buffer, written[p], key, -1, 1), kOk);
      EXPECT_EQ(buffer.Total(), static_cast<int>(s.records.size()));
      ASSERT_EQ(buffer.Count(), 1);
      const Quote newest = buffer.At(0);
      const RecordView view{s};
      const RawRecord& last = s.records.back();
      EXPECT_EQ(newest.date, DateFloatToDay(view.Get(last, Field::Date)));
      EXPECT_EQ(newest.time, TimeFloatToPacked(std::max(0.0f, view.Get(last, Field::Time))));
      for (const Field f : kValueFields) EXPECT_EQ(newest.Value(f), view.Get(last, f));
    }
  }
  FreeSeriesBuffer(buffer);
  // The archive is reached through the subdirectory entry of the legacy portfolio.
  FoundSymbol found;
  ASSERT_EQ(FindSymbol(written[2], "OLDC", found), kOk);
  EXPECT_EQ(found.directory, written[2] + "/ARCHIVE/");
}

}  // namespace
}  // namespace voltrim
