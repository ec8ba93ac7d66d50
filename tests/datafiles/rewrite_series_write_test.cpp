#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "datafiles/master.h"
#include "datafiles/rewrite_series.h"
#include "write_fixture.h"

namespace voltrim::testing {
namespace {

constexpr int kDateOffsetInMaster = 25;

class RewriteSeriesTest : public ::testing::Test {
 protected:
  // ACME (file 1): weekdays from Monday 3 January 2000; OTHER (file 2) stays untouched.
  void Build(const SeriesSpec& acme) {
    temp_ = std::make_unique<TempDir>();
    series_ = acme;
    other_ = MakeDailySeries(2, "OTHER", "OTHER INC", WeekdayQuotes(Day(2000, 1, 3), 3, 50.0f));
    dir_ = MakePortfolio(temp_->path(), "p", Portfolio({SeriesEntry(acme), SeriesEntry(other_)}));
    before_ = TakeSnapshot(temp_->path());
  }
  void BuildDaily(const std::vector<DailyQuote>& quotes) {
    Build(MakeDailySeries(1, "ACME", "ACME CORP", quotes));
  }
  Bytes File(const std::string& name) const { return ReadFileBytes(temp_->path() / "p" / name); }
  Bytes Before(const std::string& name) const { return before_.at("p/" + name); }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(temp_->path() / "p" / name);
  }
  // The DAT bytes of ACME with these records.
  Bytes Expected(std::vector<RawRecord> records) const {
    SeriesSpec s = series_;
    s.records = std::move(records);
    return BuildDatBytes(s);
  }
  void ExpectUntouched() const { EXPECT_EQ(TakeSnapshot(temp_->path()), before_); }

  std::unique_ptr<TempDir> temp_;
  std::string dir_;
  SeriesSpec series_, other_;
  Snapshot before_;
};

SeriesEdit Edit(std::int16_t kind, DayNumber first, DayNumber last,
                std::array<float, 6> values = {}) {
  SeriesEdit edit;
  edit.kind = kind;
  edit.firstDay = first;
  edit.lastDay = last;
  edit.values = values;
  return edit;
}

TEST_F(RewriteSeriesTest, SetWritesOnlyTheChosenFieldsOfEveryQuoteOfThatDay) {
  // Three intraday quotes on one day; the layout has no open interest, which stays absent.
  SeriesSpec s;
  s.fileNumber = 1;
  s.symbol = "ACME";
  s.name = "ACME CORP";
  s.periodicity = 'I';
  s.fields = {Field::Date, Field::Time,  Field::Open, Field::High,
              Field::Low,  Field::Close, Field::Vol};
  s.records = {{1000103, 93000, 1, 2, 0.5f, 1.5f, 10},
               {1000104, 93000, 1, 2, 0.5f, 1.5f, 10},
               {1000104, 100000, 3, 4, 2.5f, 3.3f, 20},
               {1000104, 103000, 5, 6, 4.5f, 5.1f, 30},
               {1000105, 93000, 7, 8, 6.5f, 7.5f, 40}};
  Build(s);
  SeriesEdit edit =
      Edit(edit_kind::kSet, Day(2000, 1, 4), Day(2000, 1, 4), {99, 99, 99, 42.125f, 777, 99});
  edit.fieldsToSet =
      (1u << edit_value::kClose) | (1u << edit_value::kVolume) | (1u << edit_value::kOpenInterest);
  ASSERT_EQ(RewriteSeries(edit, dir_, "ACME", 5), kOk);
  EXPECT_EQ(File("F1.DAT"), Expected({s.records[0],
                                      {1000104, 93000, 1, 2, 0.5f, 42.125f, 777},
                                      {1000104, 100000, 3, 4, 2.5f, 42.125f, 777},
                                      {1000104, 103000, 5, 6, 4.5f, 42.125f, 777},
                                      s.records[4]}));
  EXPECT_EQ(File("F1.BAK"), Before("F1.DAT"));
  EXPECT_FALSE(Exists("F1.NEW"));
  EXPECT_EQ(File("MASTER"), Before("MASTER"));
}

TEST_F(RewriteSeriesTest, ScaleChangesQuotesBeforeTheSplitDayAndCopiesOthersAsStored) {
  BuildDaily(WeekdayQuotes(Day(2000, 1, 3), 4));  // Mon 3 .. Thu 6 January
  // A zero with a nonzero mantissa in the last quote must survive as stored.
  Bytes dat = Before("F1.DAT");
  const std::size_t oddZero = 24 * 4 + 4;
  dat[oddZero] = 0x12;
  dat[oddZero + 3] = 0x00;
  WriteFileBytes(temp_->path() / "p" / "F1.DAT", dat);
  const std::array<float, 6> f = {0.5f, 0.5f, 0.5f, 0.5f, 2.0f, 2.0f};
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kScaleRange, 0, Day(2000, 1, 4), f), dir_, "ACME", 4),
            kOk);
  std::vector<RawRecord> records = series_.records;
  for (int i = 0; i < 2; ++i) {
    for (int k = 1; k <= 5; ++k)
      records[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)] *=
          f[static_cast<std::size_t>(k - 1)];
  }
  Bytes expected = Expected(records);
  expected[oddZero] = 0x12;
  expected[oddZero + 3] = 0x00;
  EXPECT_EQ(File("F1.DAT"), expected);
  EXPECT_EQ(File("F1.BAK"), dat);
}

TEST_F(RewriteSeriesTest, DeleteUpdatesMasterDatesOnlyAtTheEnds) {
  const std::vector<DailyQuote> quotes = WeekdayQuotes(Day(2000, 1, 3), 4);
  struct Case {
    int index;
    int firstFrom, lastFrom;  // quotes whose dates MASTER holds afterwards
  };
  for (const Case c : {Case{0, 1, 3}, Case{3, 0, 2}, Case{1, 0, 3}}) {
    SCOPED_TRACE(c.index);
    BuildDaily(quotes);
    const DayNumber day = quotes[static_cast<std::size_t>(c.index)].day;
    ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, day, day), dir_, "ACME", 4), kOk);
    std::vector<RawRecord> rest = series_.records;
    rest.erase(rest.begin() + c.index);
    EXPECT_EQ(File("F1.DAT"), Expected(rest));
    EXPECT_EQ(File("F1.BAK"), Before("F1.DAT"));
    const Bytes acme = MasterRecordBytes(File("MASTER"), 0);
    const auto date = [&](int i) {
      const MbfBytes mbf = DayToDateFloat(quotes[static_cast<std::size_t>(i)].day);
      return Bytes(mbf.begin(), mbf.end());
    };
    EXPECT_EQ(Bytes(acme.begin() + kDateOffsetInMaster, acme.begin() + 29), date(c.firstFrom));
    EXPECT_EQ(Bytes(acme.begin() + 29, acme.begin() + 33), date(c.lastFrom));
    // The other symbol's record is never touched.
    EXPECT_EQ(MasterRecordBytes(File("MASTER"), 1), MasterRecordBytes(Before("MASTER"), 1));
    if (c.index == 1) {
      EXPECT_EQ(File("MASTER"), Before("MASTER"));
    }
  }
}

TEST_F(RewriteSeriesTest, DeleteOfTheOnlyQuoteKeepsMasterDatesAndLeavesAHeaderAlone) {
  BuildDaily(WeekdayQuotes(Day(2000, 1, 3), 1));
  ASSERT_EQ(
      RewriteSeries(Edit(edit_kind::kDelete, Day(2000, 1, 3), Day(2000, 1, 3)), dir_, "ACME", 1),
      kOk);
  EXPECT_EQ(File("F1.DAT"), Expected({}));
  EXPECT_EQ(MasterRecordBytes(File("MASTER"), 0), MasterRecordBytes(Before("MASTER"), 0));
}

TEST_F(RewriteSeriesTest, DeleteAndInsertActOnlyOnTheFirstOfTwoQuotesOfTheDay) {
  std::vector<DailyQuote> quotes = WeekdayQuotes(Day(2000, 1, 6), 3);  // Thu, Fri, Mon
  quotes.push_back(quotes[2]);
  quotes[3].close = 99.0f;  // the second Monday quote, told apart by its close
  BuildDaily(quotes);
  const DayNumber monday = Day(2000, 1, 10);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, monday, monday), dir_, "ACME", 4), kOk);
  std::vector<RawRecord> expected = series_.records;
  expected.erase(expected.begin() + 2);
  EXPECT_EQ(File("F1.DAT"), Expected(expected));

  BuildDaily(quotes);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kInsert, monday, monday), dir_, "ACME", 4), kOk);
  expected = series_.records;
  RawRecord copy = expected[2];
  copy[0] = DayToDateValue(Day(2000, 1, 7));  // the Friday before
  expected.insert(expected.begin() + 2, copy);
  EXPECT_EQ(File("F1.DAT"), Expected(expected));  // header grew by exactly one
  EXPECT_EQ(File("MASTER"), Before("MASTER"));    // an insert leaves MASTER's dates alone
}

TEST_F(RewriteSeriesTest, RefusedRequestsTouchNoFile) {
  const std::vector<DailyQuote> quotes = WeekdayQuotes(Day(2000, 1, 3), 3);
  const DayNumber noQuote = Day(2000, 1, 20);
  const float inf = std::numeric_limits<float>::infinity();
  const float noMbf = std::ldexp(1.0f, 127);  // 2^127: the first value without MBF form
  struct Case {
    const char* what;
    SeriesEdit edit;
    Status expected;
  };
  const Case cases[] = {
      {"delete, no quote that day", Edit(edit_kind::kDelete, noQuote, noQuote), kQuoteNotFound},
      {"insert, no quote that day", Edit(edit_kind::kInsert, noQuote, noQuote), kRecordNotFound},
      {"set infinity", Edit(edit_kind::kSet, quotes[0].day, quotes[0].day, {1, 1, 1, inf, 1, 1}),
       kNoMbfForm},
      {"set 2^127", Edit(edit_kind::kSet, quotes[0].day, quotes[0].day, {1, 1, 1, noMbf, 1, 1}),
       kNoMbfForm},
      {"scale NaN", Edit(edit_kind::kScale, 0, 65535, {1, 1, 1, 1, 1, std::nanf("")}), kNoMbfForm},
      // 1e19 x 2e19 is a finite single above 2^127.
      {"scale past MBF", Edit(edit_kind::kScaleRange, 0, 65535, {1, 1, 1, 1, 2e19f, 1}),
       kNoMbfForm},
      {"unknown kind", Edit(6, 0, 65535), kBadRequest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<DailyQuote> q = quotes;
    q[2].volume = 1e19f;
    BuildDaily(q);
    EXPECT_EQ(RewriteSeries(c.edit, dir_, "ACME", 3), c.expected);
    ExpectUntouched();
  }
  // A set whose unusable value is for a field left as stored is fine.
  BuildDaily(quotes);
  SeriesEdit keep = Edit(edit_kind::kSet, quotes[0].day, quotes[0].day, {inf, 1, 1, 7, 1, 1});
  keep.fieldsToSet = 1u << edit_value::kClose;
  EXPECT_EQ(RewriteSeries(keep, dir_, "ACME", 3), kOk);
  EXPECT_EQ(RewriteSeries(Edit(edit_kind::kSet, 1, 2), dir_, "NOSUCH", 3), kFileNotFound);
}

TEST_F(RewriteSeriesTest, FieldsAreRewrittenInTheirStoredPositionsWhateverTheDopOrder) {
  // Stored order DATE, CLOSE, OPEN, VOL, then a field no keyword names.
  SeriesSpec s;
  s.fileNumber = 1;
  s.symbol = "ACME";
  s.name = "ACME CORP";
  s.fields = {Field::Date, Field::Close, Field::Open, Field::Vol, Field::Oi};
  s.records = {{1000103, 10, 9, 100, 1234.5f}, {1000104, 11, 10, 200, 1234.5f}};
  Build(s);
  const std::string dop = "\"DATE\",0,0\n\"CLOSE\",2,2\n\"OPEN\",2,2\n\"VOL\",0,0\n\"XTRA\",0,0\n";
  WriteFileBytes(temp_->path() / "p" / "F1.DOP", Bytes(dop.begin(), dop.end()));
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kScale, 0, 65535, {2, 2, 2, 2, 3, 5}), dir_, "ACME", 2),
            kOk);
  EXPECT_EQ(File("F1.DAT"),
            Expected({{1000103, 20, 18, 300, 1234.5f}, {1000104, 22, 20, 600, 1234.5f}}));
}

TEST_F(RewriteSeriesTest, LowerCaseFileNamesAreUsedAndReplacedInPlace) {
  BuildDaily(WeekdayQuotes(Day(2000, 1, 3), 2));
  const auto p = temp_->path() / "p";
  std::filesystem::rename(p / "MASTER", p / "master");
  std::filesystem::rename(p / "F1.DAT", p / "f1.dat");
  std::filesystem::rename(p / "F1.DOP", p / "f1.dop");
  WriteFileBytes(p / "f1.bak", Bytes{1, 2, 3});
  ASSERT_EQ(
      RewriteSeries(Edit(edit_kind::kDelete, Day(2000, 1, 4), Day(2000, 1, 4)), dir_, "acme", 2),
      kOk);
  EXPECT_EQ(ReadFileBytes(p / "f1.bak"), Before("F1.DAT"));
  EXPECT_EQ(ReadFileBytes(p / "f1.dat"), Expected({series_.records[0]}));
  for (const char* canonical : {"F1.DAT", "F1.BAK", "F1.NEW", "MASTER", "MASTER.NEW"})
    EXPECT_FALSE(std::filesystem::exists(p / canonical)) << canonical;
  EXPECT_TRUE(std::filesystem::exists(p / "MASTER.BAK"));  // new files take the canonical name
}

}  // namespace
}  // namespace voltrim::testing
