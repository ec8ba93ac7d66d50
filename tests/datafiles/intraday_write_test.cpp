#include <gtest/gtest.h>

#include <cstdint>

#include "datafiles/format/intraday.h"

#include "fixtures.h"

namespace voltrim::testing {
namespace {

DayNumber Nov(int day) { return Day(2013, 11, day); }

SeriesEdit AtTime(std::int16_t kind, DayNumber day, PackedTime time) {
  SeriesEdit edit = Edit(kind, day, day);
  edit.atTime = true;
  edit.time = time;
  return edit;
}

// A bar's time moved alone, and a request by date alone, which works on the whole day (the
// write commands' rows set, add and delete one bar by its time). Each row: the request, the
// bars the file must then hold (byte for byte as a fresh portfolio of them), and how many
// quotes the rewrite reports.
TEST(IntradayRewrite, ATimeMovesAloneAndADayByDateIsWrittenWhole) {
  struct Case {
    const char* name;
    SeriesEdit edit;
    std::function<void(std::vector<Bar>&)> expect;
    int changed;
  };
  SeriesEdit moved = AtTime(edit_kind::kSet, Nov(14), PackTime(9, 5, 0));
  moved.setTime = true;
  moved.newTime = PackTime(9, 7, 30);
  moved.fieldsToSet = 0;
  SeriesEdit day = Edit(edit_kind::kSet, Nov(14), Nov(14));
  const RawRecord r = BarRecord({0, 0, 99});
  day.values = {r[2], r[3], r[4], r[5], r[6], 0};
  day.fieldsToSet = 0x1F;
  const Case cases[] = {
      {"move the 09:05 bar to 09:07:30", moved, [](auto& bars) { bars[5].time = 90730; }, 1},
      {"set by date alone: every bar of the day", day,
       [](auto& bars) {
         for (int i = 4; i < 8; ++i) bars[static_cast<std::size_t>(i)].close = 99;
       },
       4},
      {"delete by date alone: the day's first bar", Edit(edit_kind::kDelete, Nov(14), Nov(14)),
       [](auto& bars) { bars.erase(bars.begin() + 4); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir, scratch;
    Write(dir.path(), BarPortfolio());
    std::vector<Bar> bars = ThreeDaysOfBars();
    c.expect(bars);
    int changed = -1;
    ASSERT_EQ(RewriteSeries(c.edit, dir.str(), "BARS", &changed), kOk);
    EXPECT_EQ(changed, c.changed);
    EXPECT_EQ(ReadFileBytes(dir.path() / "F1.DAT"), BarDatBytes(scratch.path(), bars));
  }
}

// Deleting the last bar of the series moves MASTER's last date to the bar before it.
TEST(IntradayRewrite, DeletingTheLastBarByItsTimeKeepsMasterDatesTrue) {
  TempDir dir;
  Write(dir.path(), BarPortfolio());
  ASSERT_EQ(
      RewriteSeries(AtTime(edit_kind::kDelete, Nov(15), PackTime(9, 15, 0)), dir.str(), "BARS"),
      kOk);
  const MasterFile master = ReadMaster(dir.str());
  ASSERT_EQ(master.records.size(), 1u);
  EXPECT_EQ(master.records[0].LastDate(), 1131115.0f);
  EXPECT_EQ(ReadQuotes(dir.str(), "BARS").size(), 11u);
}

TEST(IntradayProfile, CountsBarsPerDayAndTheMostCommonStep) {
  IntradayProfile profile;
  EXPECT_EQ(profile.TimeFrameSeconds(), 0);
  const std::pair<int, int> bars[] = {{1, 900},  {1, 1050}, {2, 900}, {2, 1050},
                                      {2, 1200}, {2, 1500}, {3, 900}};
  for (const auto& [day, half] : bars)
    profile.Add({static_cast<DayNumber>(day), static_cast<PackedTime>(half)});
  EXPECT_EQ(profile.FirstDayBars(), 2);
  EXPECT_EQ(profile.LastDayBars(), 1);
  EXPECT_EQ(profile.MostDayBars(), 4);
  EXPECT_EQ(profile.TimeFrameSeconds(), 300);  // steps of 150 packed two-second units
  EXPECT_EQ(TimeFrameText(300), "5 minutes");
  EXPECT_EQ(TimeFrameText(60), "1 minute");
  EXPECT_EQ(TimeFrameText(7200), "2 hours");
  EXPECT_EQ(TimeFrameText(90), "90 seconds");
  EXPECT_EQ(TimeFrameText(0), "none");
}

}  // namespace
}  // namespace voltrim::testing
