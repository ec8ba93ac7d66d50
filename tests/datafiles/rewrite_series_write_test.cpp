#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <memory>

#include "datafiles/rewrite_series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

SeriesSpec Acme(std::vector<Field> fields, std::vector<RawRecord> records) {
  SeriesSpec s;
  s.symbol = "ACME";
  s.name = "ACME CORP";
  s.fields = std::move(fields);
  s.records = std::move(records);
  return s;
}

SeriesEdit Edit(std::int16_t kind, DayNumber first, DayNumber last,
                std::array<float, 6> values = {}) {
  SeriesEdit edit;
  edit.kind = kind;
  edit.firstDay = first;
  edit.lastDay = last;
  edit.values = values;
  return edit;
}

class RewriteSeriesTest : public ::testing::Test {
 protected:
  // ACME is file 1; OTHER (file 2) stays untouched.
  void Build(const SeriesSpec& acme) {
    temp_ = std::make_unique<TempDir>();
    series_ = acme;
    dir_ = Write(temp_->path() / "p",
                 Portfolio({SeriesEntry(acme), Symbol(2, "OTHER", "OTHER INC", 3)}));
    before_ = TakeSnapshot(temp_->path());
  }
  void BuildDaily(const std::vector<DailyQuote>& quotes) {
    Build(MakeDailySeries(1, "ACME", "ACME CORP", quotes));
  }
  Status Run(const SeriesEdit& edit, int quotes) {
    return RewriteSeries(edit, dir_, "ACME", quotes);
  }
  Bytes File(const std::string& name) const { return ReadFileBytes(temp_->path() / "p" / name); }
  Bytes Before(const std::string& name) const { return before_.at("p/" + name); }
  // The DAT bytes of ACME with these records.
  Bytes Expected(std::vector<RawRecord> records) const {
    SeriesSpec s = series_;
    s.records = std::move(records);
    return BuildDatBytes(s);
  }
  // A rewrite keeps the old DAT as the backup and leaves no temporary behind.
  void ExpectDatAndBackup(const Bytes& dat) const {
    EXPECT_EQ(File("F1.DAT"), dat);
    EXPECT_EQ(File("F1.BAK"), Before("F1.DAT"));
    EXPECT_FALSE(std::filesystem::exists(temp_->path() / "p" / "F1.NEW"));
  }

  std::unique_ptr<TempDir> temp_;
  std::string dir_;
  SeriesSpec series_;
  Snapshot before_;
};

// Values are found through the DOP file, whose order need not be the stored one.
TEST_F(RewriteSeriesTest, FieldsAreRewrittenInTheirStoredPositions) {
  // Stored order DATE, CLOSE, OPEN, VOL, then a field no keyword names.
  Build(Acme({Field::Date, Field::Close, Field::Open, Field::Vol, Field::Oi},
             {{1000103, 10, 9, 100, 1234.5f}, {1000104, 11, 10, 200, 1234.5f}}));
  WriteText(temp_->path() / "p" / "F1.DOP",
            "\"DATE\",0,0\n\"CLOSE\",2,2\n\"OPEN\",2,2\n\"VOL\",0,0\n\"XTRA\",0,0\n");
  ASSERT_EQ(Run(Edit(edit_kind::kScale, 0, 65535, {2, 2, 2, 2, 3, 5}), 2), kOk);
  ExpectDatAndBackup(Expected({{1000103, 20, 18, 300, 1234.5f}, {1000104, 22, 20, 600, 1234.5f}}));
}

TEST_F(RewriteSeriesTest, ScaleChangesQuotesBeforeTheSplitDayAndCopiesOthersAsStored) {
  BuildDaily(Quotes(4));  // Mon 3 .. Thu 6 January
  // A zero with a nonzero mantissa in the last quote must survive as stored.
  Bytes dat = Before("F1.DAT");
  const std::size_t oddZero = 24 * 4 + 4;
  dat[oddZero] = 0x12;
  dat[oddZero + 3] = 0x00;
  WriteFileBytes(temp_->path() / "p" / "F1.DAT", dat);
  before_["p/F1.DAT"] = dat;
  const std::array<float, 6> f = {0.5f, 0.5f, 0.5f, 0.5f, 2.0f, 2.0f};
  ASSERT_EQ(Run(Edit(edit_kind::kScaleRange, 0, Day(2000, 1, 4), f), 4), kOk);
  std::vector<RawRecord> records = series_.records;
  for (std::size_t i = 0; i < 2; ++i)
    for (std::size_t k = 1; k <= 5; ++k) records[i][k] *= f[k - 1];
  Bytes expected = Expected(records);
  expected[oddZero] = 0x12;
  expected[oddZero + 3] = 0x00;
  ExpectDatAndBackup(expected);
}

TEST_F(RewriteSeriesTest, DeleteMovesMasterDatesOnlyAtTheEnds) {
  struct Case {
    int quotes, index;
    int firstFrom, lastFrom;  // quotes whose dates MASTER holds afterwards; -1: unchanged
  };
  for (const Case c :
       {Case{4, 0, 1, 3}, Case{4, 3, 0, 2}, Case{4, 1, -1, -1}, Case{1, 0, -1, -1}}) {
    SCOPED_TRACE(::testing::Message() << c.index << " of " << c.quotes);
    const auto quotes = Quotes(c.quotes);
    BuildDaily(quotes);
    const DayNumber day = quotes[static_cast<std::size_t>(c.index)].day;
    ASSERT_EQ(Run(Edit(edit_kind::kDelete, day, day), c.quotes), kOk);
    std::vector<RawRecord> rest = series_.records;
    rest.erase(rest.begin() + c.index);
    ExpectDatAndBackup(Expected(rest));
    Bytes master = Before("MASTER");
    if (c.firstFrom >= 0) {
      for (const auto& [at, from] : {std::pair{53 + 25, c.firstFrom}, {53 + 29, c.lastFrom}}) {
        const MbfBytes mbf = DayToDateFloat(quotes[static_cast<std::size_t>(from)].day);
        std::copy(mbf.begin(), mbf.end(), master.begin() + at);
      }
    }
    EXPECT_EQ(File("MASTER"), master);
  }
}

TEST_F(RewriteSeriesTest, InsertCopiesOnlyTheFirstOfTwoQuotesOfTheDay) {
  std::vector<DailyQuote> quotes = Quotes(3, Day(2000, 1, 6));  // Thu, Fri, Mon
  quotes.push_back(quotes[2]);
  quotes[3].close = 99.0f;  // the second Monday quote, told apart by its close
  const DayNumber monday = Day(2000, 1, 10);
  BuildDaily(quotes);
  ASSERT_EQ(Run(Edit(edit_kind::kInsert, monday, monday), 4), kOk);
  std::vector<RawRecord> expected = series_.records;
  RawRecord copy = expected[2];
  copy[0] = DayToDateValue(Day(2000, 1, 7));  // the Friday before
  expected.insert(expected.begin() + 2, copy);
  ExpectDatAndBackup(Expected(expected));       // header grew by exactly one
  EXPECT_EQ(File("MASTER"), Before("MASTER"));  // an insert leaves MASTER's dates alone
}

TEST_F(RewriteSeriesTest, RefusedRequestsTouchNoFile) {
  const std::vector<DailyQuote> quotes = Quotes(3);
  const DayNumber noQuote = Day(2000, 1, 20), first = quotes[0].day;
  const float inf = std::numeric_limits<float>::infinity();
  const float noMbf = std::ldexp(1.0f, 127);  // the first value without MBF form
  const struct {
    const char* what;
    SeriesEdit edit;
    Status expected;
  } cases[] = {
      {"delete, no quote that day", Edit(edit_kind::kDelete, noQuote, noQuote), kQuoteNotFound},
      {"insert, no quote that day", Edit(edit_kind::kInsert, noQuote, noQuote), kRecordNotFound},
      {"set infinity", Edit(edit_kind::kSet, first, first, {1, 1, 1, inf, 1, 1}), kNoMbfForm},
      {"set 2^127", Edit(edit_kind::kSet, first, first, {1, 1, 1, noMbf, 1, 1}), kNoMbfForm},
      {"scale NaN", Edit(edit_kind::kScale, 0, 65535, {1, 1, 1, 1, 1, std::nanf("")}), kNoMbfForm},
      // 1e19 x 2e19 is a finite single above 2^127.
      {"scale past MBF", Edit(edit_kind::kScaleRange, 0, 65535, {1, 1, 1, 1, 2e19f, 1}),
       kNoMbfForm},
      {"unknown kind", Edit(6, 0, 65535), kBadRequest},
  };
  std::vector<DailyQuote> bigVolume = quotes;
  bigVolume[2].volume = 1e19f;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BuildDaily(bigVolume);
    EXPECT_EQ(Run(c.edit, 3), c.expected);
    EXPECT_EQ(TakeSnapshot(temp_->path()), before_);
  }
  // A set whose unusable value is for a field left as stored is fine.
  BuildDaily(quotes);
  SeriesEdit keep = Edit(edit_kind::kSet, first, first, {inf, 1, 1, 7, 1, 1});
  keep.fieldsToSet = 1u << edit_value::kClose;
  EXPECT_EQ(Run(keep, 3), kOk);
  EXPECT_EQ(RewriteSeries(Edit(edit_kind::kSet, 1, 2), dir_, "NOSUCH", 3), kFileNotFound);
}

TEST_F(RewriteSeriesTest, LowerCaseFileNamesAreUsedAndReplacedInPlace) {
  BuildDaily(Quotes(2));
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

// The largest series a DAT header can count, and a split over all of it.
struct LargestSeries {
  TempDir temp;
  std::string dir;
  Snapshot before;
  SeriesEdit split;

  LargestSeries() {
    dir = Write(temp.path() / "p", Portfolio({SeriesEntry(MakeDailySeries(
                                       1, "BIG", "BIG CORP", Quotes(32766, Day(1970, 1, 5))))}));
    before = TakeSnapshot(temp.path());
    split.kind = edit_kind::kScaleRange;
    split.firstDay = 0;
    split.lastDay = 65535;
    split.values = {0.5f, 0.5f, 0.5f, 0.5f, 2.0f, 2.0f};
  }
};

TEST(FullDisk, ARewriteThatCannotBeWrittenCompletelyLeavesTheSeriesAsItWas) {
  LargestSeries series;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The file size limit stands in for a full disk: writes past it fail with EFBIG.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100 * 1024, 100 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    const Status status = RewriteSeries(series.split, series.dir, "BIG", 32766);
    _exit(status == kFileWrite ? 0 : 1);
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0) << "the failure was not reported as a write failure";
  Snapshot now = TakeSnapshot(series.temp.path());
  // The backup may already be made (a link costs no space); everything else is as it was.
  now.erase("p/F1.BAK");
  EXPECT_EQ(now, series.before);
}

TEST(LargestSeries, AnInsertThatWouldOverflowTheHeaderCountIsRefused) {
  LargestSeries series;
  SeriesEdit insert;
  insert.kind = edit_kind::kInsert;
  insert.firstDay = insert.lastDay = Day(1970, 1, 6);
  EXPECT_EQ(RewriteSeries(insert, series.dir, "BIG", 32766), kBadRequest);
  EXPECT_EQ(TakeSnapshot(series.temp.path()), series.before);
}

TEST(ReadOnlyFolder, ARewriteIsRefusedAndNothingChanges) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: a read-only folder does not stop root";
  LargestSeries series;
  ASSERT_EQ(chmod(series.dir.c_str(), 0555), 0);
  EXPECT_EQ(RewriteSeries(series.split, series.dir, "BIG", 32766), kFileWrite);
  chmod(series.dir.c_str(), 0755);
  EXPECT_EQ(TakeSnapshot(series.temp.path()), series.before);
}

}  // namespace
}  // namespace voltrim::testing
