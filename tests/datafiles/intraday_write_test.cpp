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

// Sets every field the bar holds to what BarRecord gives for the close.
SeriesEdit SetClose(SeriesEdit edit, float close) {
  const RawRecord r = BarRecord({0, 0, close});
  edit.values = {r[2], r[3], r[4], r[5], r[6], 0};
  edit.fieldsToSet = 0x1F;
  return edit;
}

// One bar named by its date and time is written alone; a request by date alone still
// works on the whole day. Each row: the request, the bars the file must then hold (byte
// for byte as a fresh portfolio of them), and how many quotes the rewrite reports.
TEST(IntradayRewrite, ABarNamedByItsTimeIsWrittenAloneAndADayByDateIsWrittenWhole) {
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
  const Case cases[] = {
      {"set the 09:05 bar of the middle day",
       SetClose(AtTime(edit_kind::kSet, Nov(14), PackTime(9, 5, 0)), 99),
       [](auto& bars) { bars[5].close = 99; }, 1},
      {"move it to 09:07:30", moved, [](auto& bars) { bars[5].time = 90730; }, 1},
      {"delete the 09:10 bar", AtTime(edit_kind::kDelete, Nov(14), PackTime(9, 10, 0)),
       [](auto& bars) { bars.erase(bars.begin() + 6); }, 1},
      {"add a bar at 09:02:30, a copy of the 09:05 bar",
       AtTime(edit_kind::kInsert, Nov(14), PackTime(9, 2, 30)),
       [](auto& bars) {
         bars.insert(bars.begin() + 5, Bar{1131114, 90230, 15});
       },
       1},
      {"set by date alone: every bar of the day",
       SetClose(Edit(edit_kind::kSet, Nov(14), Nov(14)), 99),
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

// Requests at a time that would lose order or name nothing leave every file as it was.
TEST(IntradayRewrite, RefusalsAtATimeChangeNothing) {
  const auto moveTo = [](PackedTime to) {
    SeriesEdit edit = AtTime(edit_kind::kSet, Nov(14), PackTime(9, 5, 0));
    edit.setTime = true;
    edit.newTime = to;
    edit.fieldsToSet = 0;
    return edit;
  };
  const std::pair<const char*, std::pair<SeriesEdit, Status>> cases[] = {
      {"no bar at 09:06", {AtTime(edit_kind::kSet, Nov(14), PackTime(9, 6, 0)), kQuoteNotFound}},
      {"delete where no bar is",
       {AtTime(edit_kind::kDelete, Nov(16), PackTime(9, 0, 0)), kQuoteNotFound}},
      {"add where a bar is", {AtTime(edit_kind::kInsert, Nov(14), PackTime(9, 5, 0)), kBadRequest}},
      {"add after the last bar",
       {AtTime(edit_kind::kInsert, Nov(15), PackTime(16, 0, 0)), kRecordNotFound}},
      {"add before the first bar (MASTER's first date would be stale)",
       {AtTime(edit_kind::kInsert, Nov(13), PackTime(8, 0, 0)), kBadRequest}},
      {"move past the bar after", {moveTo(PackTime(9, 10, 0)), kBadRequest}},
      {"move before the bar before", {moveTo(PackTime(8, 59, 0)), kBadRequest}},
      {"a time past the day", {AtTime(edit_kind::kSet, Nov(14), 24 * 1800), kBadRequest}},
  };
  for (const auto& [name, request] : cases) {
    SCOPED_TRACE(name);
    TempDir dir;
    Write(dir.path(), BarPortfolio());
    const Snapshot before = TakeSnapshot(dir.path());
    EXPECT_EQ(RewriteSeries(request.first, dir.str(), "BARS"), request.second);
    EXPECT_EQ(TakeSnapshot(dir.path()), before);
  }
  // A series without a time field has no bar to name by one.
  TempDir daily;
  Write(daily.path(), AcmePortfolio());
  const Snapshot before = TakeSnapshot(daily.path());
  EXPECT_EQ(RewriteSeries(AtTime(edit_kind::kDelete, Day(2000, 1, 4), 0), daily.str(), "ACME"),
            kBadRequest);
  EXPECT_EQ(TakeSnapshot(daily.path()), before);
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
