#include "datafiles/series.h"

#include <gtest/gtest.h>

#include "datafiles/portfolio_files.h"
#include "fixtures.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::NumberedQuotes;
using testing::OneSeries;
using testing::TempDir;

ColumnLayout ParseOk(std::string_view text) {
  ColumnLayout layout;
  EXPECT_EQ(ParseDopText(text, layout), kOk) << text;
  return layout;
}

std::vector<int> Positions(const ColumnLayout& layout) {
  std::vector<int> p;
  for (const auto& f : layout.fields) p.push_back(f.position);
  return p;
}

TEST(DopFile, PositionsFollowRecognisedLines) {
  const ColumnLayout six = ParseOk(
      "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,2\r\n\"VOL\",0,"
      "1000\r\n");
  EXPECT_EQ(Positions(six), (std::vector<int>{1, 0, 2, 3, 4, 5, 6, 0}));
  EXPECT_EQ(six[Field::Vol].displayFormat, 1000);
  EXPECT_EQ(six[Field::Vol].inputFormat, 0);

  // Keyword prefixes in any case; unrecognised quoted lines take no position, other lines
  // are ignored; LF alone ends a line too.
  const ColumnLayout mixed = ParseOk(
      "\"date\",0,0\n\"Remark\",1,1\n \"TIME\",0,0\nheader text\n\"Open "
      "Int\",-3,-7\n\"Volume\",0,100\n");
  EXPECT_EQ(Positions(mixed), (std::vector<int>{1, 0, 2, 0, 0, 0, 3, 0}));
  EXPECT_EQ(mixed[Field::Open].inputFormat, -3);
  EXPECT_EQ(mixed[Field::Open].displayFormat, -7);

  // The later of two lines for one keyword wins; both take a position.
  const ColumnLayout twice = ParseOk("\"DATE\",0,0\n\"CLOSE\",1,1\n\"CLOSE 2\",2,2\n");
  EXPECT_EQ(twice[Field::Close].position, 3);
  EXPECT_EQ(twice[Field::Close].inputFormat, 2);
}

TEST(DopFile, LongLinesGoOnAsFurtherLines) {
  const std::string padding(299 - 10, 'x');  // a 299-character line, then its rest
  const ColumnLayout layout = ParseOk("\"DATE\",0,0\n\"Notes\",1," + padding + "\"CLOSE\",2,2\n");
  EXPECT_EQ(layout[Field::Close].position, 2);
}

TEST(DopFile, RecognisedLineWithoutBothCodesIsRefused) {
  ColumnLayout layout;
  EXPECT_EQ(ParseDopText("\"DATE\",0,0\n\"CLOSE\",2\n", layout), kDamagedFile);
  EXPECT_EQ(ParseDopText("\"DATE\"\n", layout), kDamagedFile);
  EXPECT_EQ(ParseDopText("\"Comment\"\n\"DATE\",0,0\n", layout), kOk);
}

TEST(InferredLayout, ByRecordLength) {
  const struct {
    int length;
    std::vector<int> positions;
  } cases[] = {{8, {1, 0, 0, 0, 0, 2, 0, 0}},
               {12, {1, 0, 0, 0, 0, 2, 3, 0}},
               {16, {1, 0, 0, 2, 3, 4, 0, 0}},
               {24, {1, 0, 2, 3, 4, 5, 6, 0}},
               {28, {1, 0, 2, 3, 4, 5, 6, 7}}};
  for (const auto& c : cases) {
    ColumnLayout layout;
    ASSERT_EQ(InferColumnLayout(c.length, nullptr, layout), kOk);
    EXPECT_EQ(Positions(layout), c.positions) << c.length;
  }
  ColumnLayout layout;
  EXPECT_EQ(InferColumnLayout(32, nullptr, layout), kNoLayout);
  EXPECT_EQ(InferColumnLayout(0, nullptr, layout), kNoLayout);
}

TEST(InferredLayout, TwentyByteRecordsAreDecidedByTheFirstQuote) {
  const struct {
    float fifth;
    bool volume;
  } cases[] = {{12000.0f, true}, {10.4f, false}, {0.0f, true}, {21.0f, false}, {21.5f, true}};
  for (const auto& c : cases) {
    TempDir tmp;
    SeriesSpec series;
    series.fields = {Field::Date, Field::Open, Field::High, Field::Low, Field::Close};
    series.writeDop = false;
    series.records = {{1000103.0f, 10.5f, 10.0f, 10.25f, c.fifth}};
    ASSERT_EQ(WritePortfolio(tmp.str(), OneSeries(series)), kOk);
    ColumnLayout layout;
    ASSERT_EQ(ReadColumnLayout(tmp.str() + "/F1.DOP", 20, layout), kOk);
    const std::vector<int> expected = c.volume ? std::vector<int>{1, 0, 0, 2, 3, 4, 5, 0}
                                               : std::vector<int>{1, 0, 2, 3, 4, 5, 0, 0};
    EXPECT_EQ(Positions(layout), expected) << c.fifth;
  }
  TempDir none;
  ColumnLayout layout;
  EXPECT_EQ(ReadColumnLayout(none.str() + "/F1.DOP", 20, layout), kNoLayout);
}

// A portfolio holding one daily series "S" of n numbered quotes.
class SeriesWindows : public ::testing::Test {
 protected:
  void Build(int n, bool dop = true) {
    ASSERT_EQ(WritePortfolio(tmp_.str(),
                             OneSeries(MakeDailySeries(1, "S", "Series", NumberedQuotes(n), dop))),
              kOk);
    ASSERT_EQ(AllocSeriesBuffer(buffer_, 32767), kOk);
  }
  Status Read(int start, int count) { return ReadSeries(buffer_, tmp_.str(), "S", start, count); }
  // The quote number a slot holds, from its close.
  int QuoteIn(int slot) const { return static_cast<int>((buffer_.At(slot).close - 10.0f) * 4.0f); }

  TempDir tmp_;
  SeriesBuffer buffer_;
};

TEST_F(SeriesWindows, CountZeroOnlyLearnsTheTotal) {
  Build(1234);
  ASSERT_EQ(SetSeriesCount(buffer_, 7), kOk);
  EXPECT_EQ(Read(0, 0), kOk);
  EXPECT_EQ(buffer_.Total(), 1234);
  EXPECT_EQ(buffer_.Count(), 7);
}

TEST_F(SeriesWindows, NegativeStartReadsTheLastQuotes) {
  Build(1234);
  ASSERT_EQ(Read(-1, 400), kOk);
  ASSERT_EQ(buffer_.Count(), 400);
  EXPECT_EQ(QuoteIn(0), 834);
  EXPECT_EQ(QuoteIn(399), 1233);
  const Quote q = buffer_.At(399);
  EXPECT_EQ(q.openInterest, -1.0f);  // no OI field
  EXPECT_EQ(q.time, 0);
  EXPECT_EQ(q.volume, 1000.0f + 1233.0f);
  EXPECT_EQ(q.high, q.close + 1.0f);
}

TEST_F(SeriesWindows, NegativeCountReadsAllUpTo16000) {
  Build(20000);
  ASSERT_EQ(Read(0, -1), kOk);
  EXPECT_EQ(buffer_.Count(), 16000);
  EXPECT_EQ(buffer_.Total(), 20000);
  EXPECT_EQ(QuoteIn(15999), 15999);
  // From a later start: everything after it, still at most 16000.
  ASSERT_EQ(Read(17000, -1), kOk);
  EXPECT_EQ(buffer_.Count(), 3000);
  EXPECT_EQ(QuoteIn(0), 17000);
  ASSERT_EQ(Read(20000, -1), kOk);
  EXPECT_EQ(buffer_.Count(), 0);
  EXPECT_EQ(Read(20001, -1), kRecordNotFound);
}

TEST_F(SeriesWindows, CapacityAndEndOfSeriesLimitTheWindow) {
  Build(1000);
  SeriesBuffer small;
  ASSERT_EQ(AllocSeriesBuffer(small, 400), kOk);
  ASSERT_EQ(ReadSeries(small, tmp_.str(), "s", 0, -1), kOk);
  EXPECT_EQ(small.Count(), 400);
  ASSERT_EQ(ReadSeries(small, tmp_.str(), "S", 900, 400), kOk);
  EXPECT_EQ(small.Count(), 100);
  EXPECT_EQ(SetSeriesCount(small, 401), kMalloc);
  FreeSeriesBuffer(small);
  EXPECT_EQ(small.Capacity(), 0);
}

TEST_F(SeriesWindows, StartPastTheEndKeepsTheQuotes) {
  Build(10);
  ASSERT_EQ(Read(0, 10), kOk);
  EXPECT_EQ(Read(10, 5), kRecordNotFound);
  EXPECT_EQ(buffer_.Count(), 10);
  EXPECT_EQ(QuoteIn(9), 9);
}

TEST_F(SeriesWindows, SlotsPastTheReadHoldNoQuote) {
  Build(10);
  ASSERT_EQ(Read(0, 10), kOk);
  ASSERT_EQ(Read(5, 3), kOk);  // a smaller window after a larger one
  ASSERT_EQ(buffer_.Count(), 3);
  EXPECT_EQ(QuoteIn(2), 7);
  ASSERT_EQ(SetSeriesCount(buffer_, 5), kOk);
  const Quote beyond = buffer_.At(4);
  EXPECT_EQ(beyond.date, 0);
  EXPECT_EQ(beyond.close, -1.0f);
  EXPECT_EQ(buffer_.ValueAt(Field::Date, 0), static_cast<float>(NumberedQuotes(6)[5].day));
}

TEST_F(SeriesWindows, EmptySeries) {
  Build(0);
  EXPECT_EQ(Read(0, 0), kOk);
  EXPECT_EQ(buffer_.Total(), 0);
  EXPECT_EQ(Read(0, 5), kRecordNotFound);
  EXPECT_EQ(Read(-1, 400), kRecordNotFound);
  // Reading "all" of nothing leaves no stale quotes behind.
  EXPECT_EQ(Read(0, -1), kOk);
  EXPECT_EQ(buffer_.Count(), 0);
}

TEST_F(SeriesWindows, ShortFileEndsTheReadEarly) {
  Build(100);
  auto bytes = testing::ReadFileBytes(tmp_.path() / "F1.DAT");
  bytes.resize(bytes.size() - 24 * 30 - 5);  // 30 whole quotes and part of another gone
  testing::WriteFileBytes(tmp_.path() / "F1.DAT", bytes);
  ASSERT_EQ(Read(0, -1), kOk);
  EXPECT_EQ(buffer_.Total(), 100);
  EXPECT_EQ(buffer_.Count(), 69);
  ASSERT_EQ(Read(90, 10), kOk);
  EXPECT_EQ(buffer_.Count(), 0);
}

TEST_F(SeriesWindows, InferredLayoutReadsLikeTheDopFile) {
  Build(50, /*dop=*/false);
  ASSERT_EQ(Read(0, -1), kOk);
  EXPECT_EQ(buffer_.Count(), 50);
  EXPECT_EQ(QuoteIn(49), 49);
  EXPECT_EQ(buffer_.At(0).date, NumberedQuotes(1)[0].day);
}

TEST_F(SeriesWindows, FindQuoteByDate) {
  Build(30);
  const auto quotes = NumberedQuotes(30);
  DayNumber day = 0;
  EXPECT_EQ(FindQuote(tmp_.str(), "S", quotes[12].day, 0, &day), 12);
  EXPECT_EQ(day, quotes[12].day);
  // A Saturday between quotes 4 and 5 finds the Monday after it.
  const DayNumber saturday = static_cast<DayNumber>(quotes[4].day + 1);
  ASSERT_TRUE(IsWeekend(saturday));
  EXPECT_EQ(FindQuote(tmp_.str(), "S", saturday, 0, &day), 5);
  EXPECT_EQ(day, quotes[5].day);
  EXPECT_EQ(FindQuote(tmp_.str(), "S", 1, 0), 0);
  EXPECT_EQ(FindQuote(tmp_.str(), "S", static_cast<DayNumber>(quotes[29].day + 3), 0, &day),
            kRecordNotFound);
  EXPECT_EQ(day, quotes[29].day);
  EXPECT_EQ(FindQuote(tmp_.str(), "NONE", 1, 0), kFileNotFound);
}

TEST(FindQuote, OrdersByDateThenTime) {
  TempDir tmp;
  SeriesSpec series;
  series.symbol = "INTRA";
  series.periodicity = 'I';
  series.fields = {Field::Date, Field::Time, Field::Close};
  for (const float date : {1000103.0f, 1000104.0f})
    for (const float time : {93000.0f, 120000.0f, 160000.0f})
      series.records.push_back({date, time, 1.0f});
  ASSERT_EQ(WritePortfolio(tmp.str(), OneSeries(series)), kOk);
  const DayNumber jan4 = YmdToDay(2000, 1, 4);
  PackedTime time = 0;
  EXPECT_EQ(FindQuote(tmp.str(), "INTRA", jan4, PackTime(12, 0, 0), nullptr, &time), 4);
  EXPECT_EQ(time, PackTime(12, 0, 0));
  EXPECT_EQ(FindQuote(tmp.str(), "INTRA", jan4, PackTime(12, 0, 2)), 5);
  EXPECT_EQ(FindQuote(tmp.str(), "INTRA", jan4, PackTime(17, 0, 0)), kRecordNotFound);
  EXPECT_EQ(FindQuote(tmp.str(), "INTRA", YmdToDay(2000, 1, 3), 0), 0);
}

}  // namespace
}  // namespace voltrim
