#include <gtest/gtest.h>

#include <algorithm>

#include "datafiles/series.h"
#include "fixtures.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::Portfolio;
using testing::Quotes;
using testing::SeriesEntry;
using testing::TempDir;

// A located daily series "S" of n quotes (quote i closes at 10.25 + i).
class OpenSeries : public ::testing::Test {
 protected:
  void Build(int n) {
    ASSERT_EQ(
        WritePortfolio(tmp_.str(),
                       Portfolio({SeriesEntry(MakeDailySeries(1, "S", "Series", Quotes(n)))})),
        kOk);
    ASSERT_EQ(LocateSeries(tmp_.str(), "S", location_), kOk);
    ASSERT_EQ(AllocSeriesBuffer(buffer_, 400), kOk);
  }
  int QuoteIn(int slot) const {
    return static_cast<int>(buffer_.ValueAt(Field::Close, slot) - 10.25f);
  }

  TempDir tmp_;
  SeriesLocation location_;
  SeriesBuffer buffer_;
};

TEST_F(OpenSeries, WindowAfterWindowFromOneOpenFile) {
  Build(1000);
  SeriesReader reader;
  ASSERT_EQ(reader.Open(location_), kOk);
  EXPECT_EQ(reader.Total(), 1000);
  // Overlapping, backwards and past-the-end reads, each as ReadSeriesAt would give them.
  for (const int start : {0, 399, 798, 5, -1}) {
    ASSERT_EQ(reader.Read(buffer_, start, 400), kOk) << start;
    const int expectedFirst = start < 0 ? 600 : start;
    EXPECT_EQ(buffer_.Count(), std::min(400, 1000 - expectedFirst)) << start;
    EXPECT_EQ(QuoteIn(0), expectedFirst) << start;
    EXPECT_EQ(QuoteIn(buffer_.Count() - 1), expectedFirst + buffer_.Count() - 1) << start;
    EXPECT_EQ(buffer_.Total(), 1000);
  }
  EXPECT_EQ(reader.Read(buffer_, 1000, 1), kRecordNotFound);
}

// Paging a long series, truncated part way, either way: every window must be what a
// read of that window alone gives.
TEST_F(OpenSeries, PagingMatchesSingleReadsBothWays) {
  Build(20000);
  auto bytes = testing::ReadFileBytes(tmp_.path() / "F1.DAT");
  bytes.resize(bytes.size() - 24 * 2500 - 7);
  testing::WriteFileBytes(tmp_.path() / "F1.DAT", bytes);
  SeriesBuffer alone;
  ASSERT_EQ(AllocSeriesBuffer(alone, 400), kOk);
  for (const bool newestFirst : {true, false}) {
    SeriesReader reader;
    ASSERT_EQ(reader.Open(location_), kOk);
    for (int done = 0; done < 20000; done += 399) {
      const int start = newestFirst ? std::max(0, 20000 - done - 400) : done;
      ASSERT_EQ(reader.Read(buffer_, start, 400), kOk);
      ASSERT_EQ(ReadSeriesAt(alone, location_, start, 400), kOk);
      ASSERT_EQ(buffer_.Count(), alone.Count()) << start;
      if (alone.Count() > 0) {
        EXPECT_EQ(QuoteIn(0), start) << start;
        EXPECT_EQ(buffer_.DateAt(alone.Count() - 1), alone.DateAt(alone.Count() - 1)) << start;
      }
    }
  }
}

TEST_F(OpenSeries, ShortReadDoesNotSpoilTheNextOne) {
  Build(100);
  auto bytes = testing::ReadFileBytes(tmp_.path() / "F1.DAT");
  bytes.resize(bytes.size() - 24 * 30);
  testing::WriteFileBytes(tmp_.path() / "F1.DAT", bytes);
  SeriesReader reader;
  ASSERT_EQ(reader.Open(location_), kOk);
  ASSERT_EQ(reader.Read(buffer_, 60, 40), kOk);
  EXPECT_EQ(buffer_.Count(), 10);
  ASSERT_EQ(reader.Read(buffer_, 0, 40), kOk);
  EXPECT_EQ(buffer_.Count(), 40);
  EXPECT_EQ(QuoteIn(39), 39);
}

TEST_F(OpenSeries, FailedOpenLeavesNothingToReadFrom) {
  Build(10);
  SeriesReader reader;
  EXPECT_EQ(reader.Read(buffer_, 0, 1), kFileOpen);

  SeriesLocation notLocated = location_;
  notLocated.recordLength = 4 * notLocated.fieldCount + 1;
  EXPECT_EQ(reader.Open(notLocated), kBadRequest);

  ASSERT_EQ(reader.Open(location_), kOk);
  testing::WriteFileBytes(tmp_.path() / "F1.DAT", {0, 0});  // no whole header
  EXPECT_EQ(reader.Open(location_), kDamagedFile);
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.Total(), 0);
  EXPECT_EQ(reader.Read(buffer_, 0, 1), kFileOpen);
}

TEST_F(OpenSeries, ValueColumnsMatchValueAt) {
  Build(50);
  ASSERT_EQ(ReadSeriesAt(buffer_, location_, 10, 20), kOk);
  for (const Field f : kValueFields) {
    const SeriesBuffer::Column column = buffer_.ValueColumn(f);
    for (int i = 0; i < buffer_.Count(); ++i) EXPECT_EQ(column[i], buffer_.ValueAt(f, i));
  }
  EXPECT_EQ(buffer_.ValueColumn(Field::Oi)[7], -1.0f);  // the series has no OI
}

}  // namespace
}  // namespace voltrim
