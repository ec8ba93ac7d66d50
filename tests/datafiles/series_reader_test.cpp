#include <gtest/gtest.h>

#include <algorithm>

#include "datafiles/series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// The quote number a slot holds, from its close (quote i closes at 10.25 + i).
int QuoteIn(const SeriesBuffer& buffer, int slot) {
  return static_cast<int>(buffer.ValueAt(Field::Close, slot) - 10.25f);
}

// Paging a long series, truncated part way, either way from one open file: every window
// (the short ones at the cut included) must be what a read of that window alone gives.
TEST(SeriesReader, PagingMatchesSingleReadsBothWays) {
  TempDir tmp;
  Write(tmp.path(), Portfolio({Symbol(1, "S", "Series", 20000)}));
  SeriesLocation location;
  ASSERT_EQ(LocateSeries(tmp.str(), "S", location), kOk);
  auto bytes = ReadFileBytes(tmp.path() / "F1.DAT");
  bytes.resize(bytes.size() - 24 * 2500 - 7);
  WriteFileBytes(tmp.path() / "F1.DAT", bytes);
  SeriesBuffer buffer, alone;
  ASSERT_EQ(AllocSeriesBuffer(buffer, 400), kOk);
  ASSERT_EQ(AllocSeriesBuffer(alone, 400), kOk);
  for (const bool newestFirst : {true, false}) {
    SeriesReader reader;
    ASSERT_EQ(reader.Open(location), kOk);
    for (int done = 0; done < 20000; done += 399) {
      const int start = newestFirst ? std::max(0, 20000 - done - 400) : done;
      ASSERT_EQ(reader.Read(buffer, start, 400), kOk);
      ASSERT_EQ(ReadSeriesAt(alone, location, start, 400), kOk);
      ASSERT_EQ(buffer.Count(), alone.Count()) << start;
      EXPECT_EQ(buffer.Total(), 20000);
      if (alone.Count() > 0) {
        EXPECT_EQ(QuoteIn(buffer, 0), start) << start;
        EXPECT_EQ(buffer.DateAt(alone.Count() - 1), alone.DateAt(alone.Count() - 1)) << start;
      }
    }
    EXPECT_EQ(reader.Read(buffer, 20000, 1), kRecordNotFound);
  }

  // A reader whose open failed has nothing to read from.
  SeriesReader reader;
  EXPECT_EQ(reader.Read(buffer, 0, 1), kFileOpen);
  SeriesLocation notLocated = location;
  notLocated.recordLength = 4 * notLocated.fieldCount + 1;
  EXPECT_EQ(reader.Open(notLocated), kBadRequest);
  ASSERT_EQ(reader.Open(location), kOk);
  WriteFileBytes(tmp.path() / "F1.DAT", {0, 0});  // no whole header
  EXPECT_EQ(reader.Open(location), kDamagedFile);
  EXPECT_FALSE(reader.IsOpen());
  EXPECT_EQ(reader.Total(), 0);
  EXPECT_EQ(reader.Read(buffer, 0, 1), kFileOpen);
}

}  // namespace
}  // namespace voltrim::testing
