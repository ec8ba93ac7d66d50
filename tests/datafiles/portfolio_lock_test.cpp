#include "datafiles/io/portfolio_lock.h"

#include <gtest/gtest.h>

#include <thread>

#include "write_commands.h"

namespace voltrim::testing {
namespace {

using namespace std::chrono_literals;

SeriesEdit SetClose(DayNumber day, float close) {
  SeriesEdit edit = Edit(edit_kind::kSet, day, day, {0, 0, 0, close, 0, 0});
  edit.fieldsToSet = 1u << edit_value::kClose;
  return edit;
}

// p: ACME (5 quotes), OTHER and the subdirectory SUB holding ZED; q: D1.
class PortfolioLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    p_ = Write(temp_.path() / "p",
               Portfolio({Symbol(1, "ACME", "ACME CORP", 5), Symbol(2, "OTHER", "OTHER INC"),
                          SubdirectoryEntry("SUB")}));
    Write(temp_.path() / "p" / "SUB", Portfolio({Symbol(1, "ZED", "ZED CO", 3)}));
    q_ = Write(temp_.path() / "q", Portfolio({Symbol(1, "D1", "DEST ONE")}));
  }
  TempDir temp_;
  std::string p_, q_;
};

// Every write, with its folders held by another program past the wait, fails and changes
// nothing; once they are free, it goes through. So does a series in a subdirectory.
TEST_F(PortfolioLockTest, AWriterThatWaitsInVainFailsAndChangesNothing) {
  const LockWait shortWait(50ms);
  for (const WriteCommand& row : WriteCommands()) {
    if (row.undoIn) continue;  // a new portfolio holds no folder that was there
    int busy = 0;
    for (const std::string held : {"p", "q"}) {
      SCOPED_TRACE(std::string(row.name) + ", holding " + held);
      TempDir temp;
      MakeFixture(temp.path(), row);
      const Snapshot before = TakeSnapshot(temp.path());
      const FolderHolder other(temp.path() / held);
      const int result = row.run((temp.path() / "p").string(), (temp.path() / "q").string());
      EXPECT_TRUE(result == kPortfolioBusy || result >= 0) << result;  // untouched: it runs
      if (result == kPortfolioBusy) {
        EXPECT_EQ(TakeSnapshot(temp.path()), before);
        ++busy;
      }
    }
    EXPECT_GT(busy, 0) << row.name;
  }
  const DayNumber mon = Day(2000, 1, 3);
  {
    const FolderHolder other(temp_.path() / "p" / "SUB");
    EXPECT_EQ(RewriteSeries(SetClose(mon, 99), p_, "ZED"), kPortfolioBusy);
    EXPECT_EQ(MoveOrCopySymbol(p_, "ZED", q_, true), kPortfolioBusy);
  }
  EXPECT_EQ(RewriteSeries(SetClose(mon, 99), p_, "ZED"), kOk);
  EXPECT_EQ(ReadQuotes(p_, "ZED")[0].close, 99.0f);
}

TEST_F(PortfolioLockTest, TheNextWriterClearsWhatACrashedWriterLeft) {
  const std::vector<std::string> leftovers = {
      "F7.NEW",         "MASTER.~NU",  "MASTER.NEW",  "f2.4711-3.new",  "MASTER.12-1.~NU",
      "MASTER.9-9.bak", "F1.77-2.NEW", "EMASTER.NEW", "EMASTER.5-1.NEW"};
  const std::vector<std::string> kept = {"MASTER.BAK",    "F1.BAK",    "NOTES.NEW",  "F1.X-2.NEW",
                                         "MASTER.12.~NU", "F.1-1.NEW", "EMASTER.BAK"};
  for (const auto& names : {leftovers, kept}) {
    for (const std::string& name : names) WriteFileBytes(temp_.path() / "p" / name, {7});
  }
  ASSERT_EQ(RenameMasterRecord(MasterPathIn(p_), 1, "OTHER", "RENAMED"), kOk);
  for (const std::string& name : leftovers)
    EXPECT_FALSE(fs::exists(temp_.path() / "p" / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(temp_.path() / "p" / name)) << name;
  EXPECT_EQ(ReadFileBytes(temp_.path() / "p" / "F1.BAK"), Bytes{7});  // not this write's backup
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

// Two deletes of the newest quote, each counted from the same read before either ran: the
// second must still move MASTER's last date, to the quote that is newest once it is done.
TEST_F(PortfolioLockTest, ADeleteCountsTheSeriesAsAnotherWriterLeftIt) {
  const std::vector<DailyQuote> quotes = Quotes(5);
  const auto dayOf = [&](int i) { return quotes[static_cast<std::size_t>(i)].day; };
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, dayOf(4), dayOf(4)), p_, "ACME"), kOk);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, dayOf(3), dayOf(3)), p_, "ACME"), kOk);
  const Bytes acme = MasterRecordBytes(ReadFileBytes(temp_.path() / "p" / "MASTER"), 0);
  const MbfBytes last = DayToDateFloat(dayOf(2));
  EXPECT_EQ(
      Bytes(acme.begin() + master_offset::kLastDate, acme.begin() + master_offset::kLastDate + 4),
      Bytes(last.begin(), last.end()));
}

// Every reported success stands in the file; every reported failure left nothing.
TEST_F(PortfolioLockTest, ThreadsEditingDatesOfOneSeriesLoseNothing) {
  constexpr int kQuotes = 32;
  constexpr int kThreads = 8;
  const std::string dir = Write(temp_.path() / "s", Portfolio({Symbol(1, "BIG", "", kQuotes)}));
  const std::vector<DailyQuote> quotes = Quotes(kQuotes);
  std::vector<Status> results(kQuotes, kBadRequest);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < kQuotes; i += kThreads) {
        results[static_cast<std::size_t>(i)] = RewriteSeries(
            SetClose(quotes[static_cast<std::size_t>(i)].day, 1000.0f + static_cast<float>(i)), dir,
            "BIG");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  const std::vector<Quote> stored = ReadQuotes(dir, "BIG");
  ASSERT_EQ(stored.size(), quotes.size());
  int succeeded = 0;
  for (int i = 0; i < kQuotes; ++i) {
    const Status result = results[static_cast<std::size_t>(i)];
    ASSERT_TRUE(result == kOk || result == kPortfolioBusy) << i << ": " << result;
    const float expected =
        result == kOk ? 1000.0f + static_cast<float>(i) : quotes[static_cast<std::size_t>(i)].close;
    EXPECT_EQ(stored[static_cast<std::size_t>(i)].close, expected) << "quote " << i;
    succeeded += result == kOk;
  }
  EXPECT_GT(succeeded, 0);
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

TEST_F(PortfolioLockTest, ThreadsCopyingAndMovingSymbolsAtOnceKeepEveryMasterTrue) {
  constexpr int kSymbols = 6;
  PortfolioSpec sources, others;
  for (int i = 1; i <= kSymbols; ++i) {
    sources.entries.push_back(Symbol(i, "S" + std::to_string(i), "", 3 + i));
    others.entries.push_back(Symbol(i, "T" + std::to_string(i), "", 4 + i));
  }
  const std::string a = Write(temp_.path() / "a", sources);
  const std::string b = Write(temp_.path() / "b", others);
  const std::string c = Write(temp_.path() / "c", Portfolio({Symbol(1, "C1")}));
  // S1..S3 are copied into c, S4..S6 move a->b while T1..T6 move b->a.
  std::vector<int> results(3 * kSymbols, kBadRequest);
  std::vector<std::thread> threads;
  for (int i = 1; i <= kSymbols; ++i) {
    const std::string s = "S" + std::to_string(i), t = "T" + std::to_string(i);
    threads.emplace_back([&, i, s] {
      results[static_cast<std::size_t>(i - 1)] =
          i <= 3 ? MoveOrCopySymbol(a, s, c, false) : MoveOrCopySymbol(a, s, b, true);
    });
    threads.emplace_back([&, i, t] {
      results[static_cast<std::size_t>(kSymbols + i - 1)] = MoveOrCopySymbol(b, t, a, true);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 1; i <= kSymbols; ++i) {
    const std::string s = "S" + std::to_string(i), t = "T" + std::to_string(i);
    const int sResult = results[static_cast<std::size_t>(i - 1)];
    const int tResult = results[static_cast<std::size_t>(kSymbols + i - 1)];
    ASSERT_TRUE(sResult == kSymbolAdded || sResult == kPortfolioBusy) << s << ": " << sResult;
    ASSERT_TRUE(tResult == kSymbolAdded || tResult == kPortfolioBusy) << t << ": " << tResult;
    const bool sDone = sResult == kSymbolAdded, tDone = tResult == kSymbolAdded;
    if (i <= 3) {
      EXPECT_TRUE(Holds(a, s)) << s;
      EXPECT_EQ(Holds(c, s), sDone) << s;
    } else {
      EXPECT_EQ(Holds(a, s), !sDone) << s;
      EXPECT_EQ(Holds(b, s), sDone) << s;
    }
    EXPECT_EQ(Holds(b, t), !tDone) << t;
    EXPECT_EQ(Holds(a, t), tDone) << t;
  }
  for (const std::string& dir : {a, b, c}) ExpectMasterSound(dir);
  EXPECT_TRUE(TemporariesBelow(temp_.path()).empty());
}

}  // namespace
}  // namespace voltrim::testing
