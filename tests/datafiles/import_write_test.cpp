#include <gtest/gtest.h>

#include "write_commands.h"

namespace voltrim::testing {
namespace {

constexpr std::array<bool, kFieldKindCount> kDailyFields = {true, false, true, true,
                                                            true, true,  true, false};

ImportRequest Request(std::vector<ImportQuote> quotes,
                      ImportOverlap overlap = ImportOverlap::kRefuse,
                      std::array<bool, kFieldKindCount> given = kDailyFields) {
  return {std::move(quotes), given, overlap};
}

// PLAIN (file 1) holds the weekdays 01/03/00 to 01/07/00, quote i closing at 10 + i + 0.25
// (see Quotes); its EMASTER mirrors MASTER.
class ImportWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = Write(temp_.path() / "p", Portfolio({Symbol(1, "PLAIN", "PLAIN INC", 5)}));
    WriteMirroringEmaster(dir_);
  }
  Status Import(const ImportRequest& request, const std::string& symbol = "PLAIN") {
    return ImportQuotes(dir_, symbol, request, result_);
  }
  // Date and close of every quote, oldest first.
  std::vector<std::pair<DayNumber, float>> Stored(const std::string& symbol = "PLAIN") const {
    std::vector<std::pair<DayNumber, float>> quotes;
    for (const Quote& q : ReadQuotes(dir_, symbol)) quotes.emplace_back(q.date, q.close);
    return quotes;
  }

  TempDir temp_;
  std::string dir_;
  ImportResult result_;
};

DayNumber Jan(int day) { return Day(2000, 1, day); }

// 01/04/00 as stored, 01/05/00 with another close, 01/10/00 new: each overlap choice.
TEST_F(ImportWriteTest, DatesAlreadyStoredAreSkippedRefusedReplacedOrKept) {
  const ImportQuote same{DayToDateValue(Jan(4)), 0, {11, 11.5f, 10.5f, 11.25f, 1001, 0}, 1};
  const std::vector<ImportQuote> quotes = {same, Q(Jan(5), 50, 2), Q(Jan(10), 60, 3)};
  const Snapshot before = TakeSnapshot(temp_.path());
  EXPECT_EQ(Import(Request(quotes, ImportOverlap::kRefuse)), kImportDiffers);
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
  ASSERT_EQ(result_.firstDiffering.size(), 1u);
  EXPECT_EQ(std::tuple(result_.differing, result_.firstDiffering[0].line, result_.skipped),
            std::tuple(1, 2, 1));

  ASSERT_EQ(Import(Request(quotes, ImportOverlap::kKeep)), kOk);
  EXPECT_EQ((std::array{result_.added, result_.replaced, result_.kept, result_.skipped}),
            (std::array{1, 0, 1, 1}));
  EXPECT_EQ(Stored()[2], std::make_pair(Jan(5), 12.25f));
  EXPECT_EQ(Stored().back(), std::make_pair(Jan(10), 60.0f));

  ASSERT_EQ(Import(Request(quotes, ImportOverlap::kReplace)), kOk);
  EXPECT_EQ((std::array{result_.added, result_.replaced, result_.kept, result_.skipped}),
            (std::array{0, 1, 0, 2}));
  EXPECT_EQ(Stored()[2], std::make_pair(Jan(5), 50.0f));
  EXPECT_EQ(Stored().size(), 6u);

  // Nothing new: no file is written, not even a backup.
  const Snapshot done = TakeSnapshot(temp_.path());
  ASSERT_EQ(Import(Request(quotes, ImportOverlap::kRefuse)), kOk);
  EXPECT_EQ(result_.skipped, 3);
  EXPECT_EQ(TakeSnapshot(temp_.path()), done);
}

// A replaced quote takes the fields the file gives; the others keep their stored bytes.
// A new quote stores 0 in a field the file lacks; a field the series lacks is left out.
TEST_F(ImportWriteTest, FieldsTheFileOrTheSeriesLack) {
  std::array<bool, kFieldKindCount> given = kDailyFields;
  given[static_cast<std::size_t>(Field::Vol)] = false;
  given[static_cast<std::size_t>(Field::Oi)] = true;
  ASSERT_EQ(
      Import(Request({Q(Jan(5), 50, 1, 7), Q(Jan(10), 60, 2, 7)}, ImportOverlap::kReplace, given)),
      kOk);
  const std::vector<Quote> quotes = ReadQuotes(dir_, "PLAIN");
  ASSERT_EQ(quotes.size(), 6u);
  // The replaced quote's volume as stored; no open interest: the series has none.
  EXPECT_EQ(std::tuple(quotes[2].close, quotes[2].Value(Field::Vol), quotes[5].Value(Field::Vol),
                       quotes[5].Value(Field::Oi)),
            std::tuple(50.0f, 1002.0f, 0.0f, -1.0f));
}

// A series stored out of order keeps its order; the new quotes go before the first stored
// quote that comes later.
TEST_F(ImportWriteTest, StoredOrderIsKept) {
  const struct {
    std::vector<int> stored, imported, after;
  } cases[] = {
      {{5, 3, 7}, {4, 10}, {4, 5, 3, 7, 10}},
      // Days after every stored one follow them all.
      {{5, 3, 7}, {8, 9}, {5, 3, 7, 8, 9}},
      // Days after the last stored one, not after every one: 6 goes before 7, and 7 is found
      // though stored before the last (and kept).
      {{5, 7, 3}, {6, 7, 8}, {5, 6, 7, 3, 8}},
  };
  int folder = 0;
  for (const auto& c : cases) {
    SeriesSpec series = MakeDailySeries(2, "MIXED", "", {});
    for (const int d : c.stored) series.records.push_back({DayToDateValue(Jan(d)), 1, 1, 1, 1, 1});
    dir_ = Write(temp_.path() / ("m" + std::to_string(++folder)), Portfolio({SeriesEntry(series)}));
    std::vector<ImportQuote> quotes;
    for (const int d : c.imported) quotes.push_back(Q(Jan(d), static_cast<float>(d), d));
    ASSERT_EQ(Import(Request(quotes, ImportOverlap::kKeep), "MIXED"), kOk);
    std::vector<int> days;
    for (const auto& [day, close] : Stored("MIXED")) days.push_back(day - Jan(1) + 1);
    EXPECT_EQ(days, c.after);
  }
}

TEST_F(ImportWriteTest, IntradayQuotesAreToldApartByTheirTimes) {
  ASSERT_EQ(CreateSeries(dir_, NewSeries{"TICKS", "", 6, true}), kSymbolAdded);
  std::array<bool, kFieldKindCount> given = kDailyFields;
  given[static_cast<std::size_t>(Field::Time)] = true;
  const auto at = [](float time, float close, int line) {
    ImportQuote q = Q(Jan(4), close, line);
    q.time = time;
    return q;
  };
  ASSERT_EQ(Import(Request({at(93500, 2, 1), at(93000, 1, 2), at(100000, 3, 3)},
                           ImportOverlap::kRefuse, given),
                   "TICKS"),
            kOk);
  const std::vector<Quote> ticks = ReadQuotes(dir_, "TICKS");
  ASSERT_EQ(ticks.size(), 3u);
  EXPECT_EQ(std::tuple(ticks[0].time, ticks[2].time),
            std::tuple(PackTime(9, 30, 0), PackTime(10, 0, 0)));
  EXPECT_EQ(
      Import(Request({at(93500, 2, 7), at(93500, 5, 9)}, ImportOverlap::kRefuse, given), "TICKS"),
      kImportDuplicate);
  EXPECT_EQ(std::tuple(result_.duplicateLines[0], result_.duplicateLines[1]), std::tuple(7, 9));
}

// The header counts records in 16 bits: 32,766 quotes at most.
TEST_F(ImportWriteTest, TheQuoteLimitIsCheckedFirst) {
  std::vector<DailyQuote> quotes = Quotes(kMaxImportQuotes - 6, Day(1961, 1, 2));
  dir_ =
      Write(temp_.path() / "big", Portfolio({SeriesEntry(MakeDailySeries(1, "BIG", "", quotes))}));
  DayNumber day = quotes.back().day;
  std::vector<ImportQuote> more;
  for (int i = 0; i < 7; ++i) more.push_back(Q(day = NextWeekday(day), 1, i + 1));
  const Snapshot before = TakeSnapshot(temp_.path());
  EXPECT_EQ(Import(Request(more), "BIG"), kImportTooMany);
  EXPECT_EQ(result_.quotesAfter, kMaxImportQuotes + 1);
  EXPECT_EQ(TakeSnapshot(temp_.path()), before);
  more.pop_back();
  EXPECT_EQ(Import(Request(more), "BIG"), kOk);
  EXPECT_EQ(result_.quotesAfter, kMaxImportQuotes);
}

// Each refused day is refused as well after a good day of its own month, whose days the
// import then checks by their day alone.
TEST_F(ImportWriteTest, OnlyCalendarDaysWithADayNumber) {
  for (const float ok : {610101.0f, 1000229.0f, 2400604.0f, 991231.0f})
    EXPECT_TRUE(IsImportDate(ok)) << ok;
  for (const float bad :
       {601231.0f, 2400605.0f, 1000230.0f, 2000229.0f, 1000100.0f, 1000101.5f, -1000101.0f, 0.0f})
    EXPECT_FALSE(IsImportDate(bad)) << bad;
  const std::pair<float, float> afterTheirMonth[] = {{2400604.0f, 2400605.0f},
                                                     {1000229.0f, 1000230.0f},
                                                     {2000228.0f, 2000229.0f},
                                                     {1000131.0f, 1000100.0f},
                                                     {1000101.0f, 1000101.5f}};
  for (const auto& [good, bad] : afterTheirMonth) {
    const ImportQuote first{good, 0, {1, 1, 1, 1, 1, 0}, 1};
    const ImportQuote second{bad, 0, {1, 1, 1, 1, 1, 0}, 2};
    EXPECT_EQ(Import(Request({first, second})), kBadRequest) << bad;
  }
  EXPECT_TRUE(IsImportTime(235959.0f));
  EXPECT_FALSE(IsImportTime(236000.0f));
  EXPECT_FALSE(IsImportTime(240000.0f));
}

}  // namespace
}  // namespace voltrim::testing
