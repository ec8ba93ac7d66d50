#include <gtest/gtest.h>

#include <cmath>

#include "datafiles/write/rewrite_series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// ACME (file 1) beside OTHER (file 2), which a rewrite of ACME leaves untouched.
struct Acme {
  explicit Acme(const SeriesSpec& acme) : series(acme) {
    dir = Write(temp.path() / "p",
                Portfolio({SeriesEntry(acme), Symbol(2, "OTHER", "OTHER INC", 3)}));
    before = TakeSnapshot(temp.path());
  }
  explicit Acme(const std::vector<DailyQuote>& quotes)
      : Acme(MakeDailySeries(1, "ACME", "ACME CORP", quotes)) {}
  Status Run(const SeriesEdit& edit) const { return RewriteSeries(edit, dir, "ACME"); }
  Bytes File(const std::string& name) const { return ReadFileBytes(temp.path() / "p" / name); }
  // The DAT bytes of ACME with these records.
  Bytes Expected(std::vector<RawRecord> records) const {
    SeriesSpec s = series;
    s.records = std::move(records);
    return BuildDatBytes(s);
  }
  // A rewrite keeps the old DAT as the backup and leaves no temporary behind.
  void ExpectDatAndBackup(const Bytes& dat) const {
    EXPECT_EQ(File("F1.DAT"), dat);
    EXPECT_EQ(File("F1.BAK"), before.at("p/F1.DAT"));
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "p" / "F1.NEW"));
  }

  TempDir temp;
  SeriesSpec series;
  std::string dir;
  Snapshot before;
};

// Values are found through the DOP file, whose order need not be the stored one; quotes
// outside the range, and fields no keyword names, are copied as stored.
TEST(RewriteSeries, SetAndScaleRewriteFieldsInTheirStoredPositions) {
  const DayNumber jan4 = Day(2000, 1, 4);
  const struct {
    const char* what;
    SeriesEdit edit;
    std::vector<RawRecord> expected;
    bool thirdAsStored;
  } cases[] = {
      {"scale all",
       Edit(edit_kind::kScale, 0, 65535, {2, 2, 2, 2, 3, 5}),
       {{1000103, 20, 18, 300, 1}, {1000104, 22, 20, 600, 1}, {1000105, 0, 22, 900, 1}},
       false},
      {"set one day",
       Edit(edit_kind::kSet, jan4, jan4, {7, 1, 1, 8, 9, 9}),
       {{1000103, 10, 9, 100, 1}, {1000104, 8, 7, 9, 1}, {1000105, 0, 11, 300, 1}},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    // Stored order DATE, CLOSE, OPEN, VOL, then a field no keyword names.
    SeriesSpec acme = MakeDailySeries(1, "ACME", "ACME CORP", {});
    acme.fields = {Field::Date, Field::Close, Field::Open, Field::Vol, Field::Oi};
    acme.records = {{1000103, 10, 9, 100, 1}, {1000104, 11, 10, 200, 1}, {1000105, 0, 11, 300, 1}};
    Acme a(acme);
    WriteText(a.temp.path() / "p" / "F1.DOP",
              "\"DATE\",0,0\n\"CLOSE\",2,2\n\"OPEN\",2,2\n\"VOL\",0,0\n\"XTRA\",0,0\n");
    // A zero with a nonzero mantissa in the third quote's close must survive as stored.
    const std::size_t oddZero = 20 * 3 + 4;
    Bytes dat = a.before.at("p/F1.DAT");
    dat[oddZero] = 0x12;
    WriteFileBytes(a.temp.path() / "p" / "F1.DAT", dat);
    a.before["p/F1.DAT"] = dat;
    ASSERT_EQ(a.Run(c.edit), kOk);
    Bytes expected = a.Expected(c.expected);
    if (c.thirdAsStored) expected[oddZero] = 0x12;
    a.ExpectDatAndBackup(expected);
  }
}

TEST(RewriteSeries, DeleteMovesMasterDatesOnlyAtTheEnds) {
  struct Case {
    int quotes, index;
    int firstFrom, lastFrom;  // quotes whose dates MASTER holds afterwards; -1: unchanged
  };
  for (const Case c :
       {Case{4, 0, 1, 3}, Case{4, 3, 0, 2}, Case{4, 1, -1, -1}, Case{1, 0, -1, -1}}) {
    SCOPED_TRACE(::testing::Message() << c.index << " of " << c.quotes);
    const auto quotes = Quotes(c.quotes);
    const Acme a(quotes);
    const DayNumber day = quotes[static_cast<std::size_t>(c.index)].day;
    ASSERT_EQ(a.Run(Edit(edit_kind::kDelete, day, day)), kOk);
    std::vector<RawRecord> rest = a.series.records;
    rest.erase(rest.begin() + c.index);
    a.ExpectDatAndBackup(a.Expected(rest));
    Bytes master = a.before.at("p/MASTER");
    if (c.firstFrom >= 0) {
      for (const auto& [at, from] : {std::pair{53 + 25, c.firstFrom}, {53 + 29, c.lastFrom}}) {
        const MbfBytes mbf = DayToDateFloat(quotes[static_cast<std::size_t>(from)].day);
        std::copy(mbf.begin(), mbf.end(), master.begin() + at);
      }
    }
    EXPECT_EQ(a.File("MASTER"), master);
  }
}

TEST(RewriteSeries, InsertCopiesOnlyTheFirstOfTwoQuotesOfTheDay) {
  std::vector<DailyQuote> quotes = Quotes(3, Day(2000, 1, 6));  // Thu, Fri, Mon
  quotes.push_back(quotes[2]);
  quotes[3].close = 99.0f;  // the second Monday quote, told apart by its close
  const DayNumber monday = Day(2000, 1, 10);
  const Acme a(quotes);
  ASSERT_EQ(a.Run(Edit(edit_kind::kInsert, monday, monday)), kOk);
  std::vector<RawRecord> expected = a.series.records;
  RawRecord copy = expected[2];
  copy[0] = DayToDateValue(Day(2000, 1, 7));  // the Friday before
  expected.insert(expected.begin() + 2, copy);
  a.ExpectDatAndBackup(a.Expected(expected));            // header grew by exactly one
  EXPECT_EQ(a.File("MASTER"), a.before.at("p/MASTER"));  // an insert leaves MASTER's dates alone
}

TEST(RewriteSeries, RefusedRequestsTouchNoFile) {
  const std::vector<DailyQuote> quotes = Quotes(3);
  const DayNumber noQuote = Day(2000, 1, 20), first = quotes[0].day;
  const float noMbf = std::ldexp(1.0f, 127);  // the first value without MBF form
  const struct {
    const char* what;
    SeriesEdit edit;
    Status expected;
  } cases[] = {
      {"insert, no quote that day", Edit(edit_kind::kInsert, noQuote, noQuote), kRecordNotFound},
      {"set 2^127", Edit(edit_kind::kSet, first, first, {1, 1, 1, noMbf, 1, 1}), kNoMbfForm},
      // 1e19 x 2e19 is a finite single above 2^127.
      {"scale past MBF", Edit(edit_kind::kScaleRange, 0, 65535, {1, 1, 1, 1, 2e19f, 1}),
       kNoMbfForm},
  };
  std::vector<DailyQuote> bigVolume = quotes;
  bigVolume[2].volume = 1e19f;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Acme a(bigVolume);
    EXPECT_EQ(a.Run(c.edit), c.expected);
    EXPECT_EQ(TakeSnapshot(a.temp.path()), a.before);
    EXPECT_EQ(RewriteSeries(Edit(edit_kind::kSet, 1, 2), a.dir, "NOSUCH"), kFileNotFound);
  }
}

// The largest series a DAT header can count: an insert would overflow the count.
TEST(RewriteSeries, AnInsertThatWouldOverflowTheCountIsRefused) {
  TempDir temp;
  const std::string dir =
      Write(temp.path() / "p", Portfolio({SeriesEntry(MakeDailySeries(
                                   1, "BIG", "BIG CORP", Quotes(32766, Day(1970, 1, 5))))}));
  const Snapshot before = TakeSnapshot(temp.path());
  const DayNumber tuesday = Day(1970, 1, 6);
  EXPECT_EQ(RewriteSeries(Edit(edit_kind::kInsert, tuesday, tuesday), dir, "BIG"), kBadRequest);
  EXPECT_EQ(TakeSnapshot(temp.path()), before);
}

}  // namespace
}  // namespace voltrim::testing
