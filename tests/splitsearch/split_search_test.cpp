#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "chart/chart_series.h"
#include "datafiles/fixtures.h"
#include "splitsearch/search_feed.h"
#include "splitsearch/split_pair_test.h"
#include "splitsearch/split_results_file.h"
#include "splitsearch/split_search.h"
#include "support/recording_prompt.h"

namespace voltrim {
namespace {

const DayNumber kFirstDay = DateFloatToDay(990104.0f);  // 01/04/99

struct Toggling {
  std::string symbol;
  int quotes;
  std::vector<int> toggles;  // quotes where the close moves between 10 and 5
};

// "2:1" or "1:2" at the quote index.
std::string Line(const std::string& symbol, const char* ratio, int index) {
  return symbol + " possible " + ratio[0] + " for " + ratio[2] + " split on " +
         FormatUserDate(static_cast<DayNumber>(kFirstDay + index));
}

class SplitSearchTest : public ::testing::Test {
 protected:
  // Series numbered from 1; each move is wide enough to look like a split.
  void Write(const std::vector<Toggling>& series) {
    PortfolioSpec plan;
    for (const Toggling& s : series) {
      std::vector<DailyQuote> bars;
      bool high = true;
      for (int i = 0; i < s.quotes; ++i) {
        for (int t : s.toggles) high = (t == i) ? !high : high;
        const DayNumber day = static_cast<DayNumber>(kFirstDay + i);
        bars.push_back(high ? DailyQuote{day, 10, 10.2f, 9.5f, 10, 1000}
                            : DailyQuote{day, 5, 5.2f, 4.9f, 5, 2000});
      }
      const int number = static_cast<int>(plan.entries.size()) + 1;
      plan.entries.push_back({false, MakeDailySeries(number, s.symbol, s.symbol, bars), {}});
    }
    ASSERT_EQ(WritePortfolio(dir_.str(), plan), kOk);
  }

  SplitSearchRun Search(const std::vector<std::string>& symbols) {
    return RunSplitSearch(dir_.str(), symbols, results_, prompt_, [this](const SplitCandidate& c) {
      listened_.push_back(c.Line());
      places_.push_back({c.symbolIndex, c.quoteIndex});
    });
  }

  testing::TempDir dir_;
  testing::RecordingPrompt prompt_;
  SplitSearchResults results_;
  std::vector<std::string> listened_;
  std::vector<std::pair<int, int>> places_;  // symbol's place in the list, quote index
};

// Windows of 400 quotes share their end quotes.
TEST_F(SplitSearchTest, EveryPairIsTestedOnceAcrossWindowBoundaries) {
  Write({{"EDGE", 401, {400}}, {"NEAR", 401, {399}}, {"LONG", 1000, {1, 399, 400, 798, 799, 999}}});
  const std::vector<std::string> symbols = {"EDGE", "NEAR", "LONG"};
  const SplitSearchRun run = Search(symbols);
  const std::vector<std::string> expected = {Line("EDGE", "2:1", 400), Line("NEAR", "2:1", 399),
                                             Line("LONG", "2:1", 1),   Line("LONG", "1:2", 399),
                                             Line("LONG", "2:1", 400), Line("LONG", "1:2", 798),
                                             Line("LONG", "2:1", 799), Line("LONG", "1:2", 999)};
  EXPECT_EQ(results_.Lines(), expected);
  EXPECT_EQ(listened_, expected);
  // Each candidate says where it lies: the symbol's place and its later quote.
  const std::vector<std::pair<int, int>> places = {{0, 400}, {1, 399}, {2, 1},   {2, 399},
                                                   {2, 400}, {2, 798}, {2, 799}, {2, 999}};
  EXPECT_EQ(places_, places);
  // The chart marks the same pairs, at their later quotes.
  std::vector<std::string> marked;
  for (const std::string& symbol : symbols) {
    for (const ChartSplitMark& m :
         FindSplitMarks(testing::ReadQuotes(dir_.str(), symbol), symbol)) {
      marked.push_back(m.text);
      EXPECT_TRUE(m.text.ends_with(FormatUserDate(static_cast<DayNumber>(kFirstDay + m.index))));
    }
  }
  EXPECT_EQ(marked, expected);
  EXPECT_EQ(run.outcome, SplitSearchOutcome::Finished);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(prompt_.statusTexts, (std::vector<std::string>{"EDGE", "NEAR", "LONG", "Done search"}));
  EXPECT_GE(prompt_.maxWaitDepth, 1);
  EXPECT_EQ(prompt_.waitDepth, 0);  // a second search adds its lines: the window's test
}

// A file shorter than its header says stops the search at once, keeping what it listed.
TEST_F(SplitSearchTest, FailedWindowReadEndsTheWholeSearch) {
  Write({{"JUMP", 10, {5}}, {"CUT", 500, {100}}, {"AFTER", 10, {5}}});
  const auto dat = dir_.path() / "F2.DAT";
  std::filesystem::resize_file(dat, std::filesystem::file_size(dat) - 50 * 24);
  EXPECT_EQ(Search({"JUMP", "CUT", "AFTER"}).outcome, SplitSearchOutcome::ReadFailed);
  EXPECT_EQ(results_.Lines(),
            (std::vector<std::string>{Line("JUMP", "2:1", 5), Line("CUT", "2:1", 100)}));
  EXPECT_EQ(prompt_.MessageTexts(), std::vector<std::string>{"Error in SplitSearch bars read"});
  EXPECT_EQ(prompt_.statusTexts, std::vector<std::string>{"JUMP"});
  EXPECT_TRUE(prompt_.beeps.empty());
  EXPECT_EQ(prompt_.waitDepth, 0);
}

TEST(SplitResultsFileTest, ReplacesTheFileWithCrLfLinesOrWritesNothing) {
  testing::TempDir dir;
  SplitSearchResults results;
  results.Add({"AB", {2, 1}, DateFloatToDay(990527.0f)});
  results.Add({"CD", {1, 4}, DateFloatToDay(1000103.0f)});
  const auto file = dir.path() / "result.txt";
  testing::WriteFileBytes(file, std::vector<unsigned char>(200, 'x'));
  ASSERT_TRUE(SaveSplitResults(file.string(), results));
  EXPECT_EQ(testing::ReadText(file),
            "AB possible 2 for 1 split on 05/27/99\r\nCD possible 1 for 4 split on 01/03/00\r\n");

  EXPECT_FALSE(SaveSplitResults((dir.path() / "missing" / "r.txt").string(), results));
  EXPECT_FALSE(SaveSplitResults("", results));
  // Nothing but the saved file: no temporary left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// A bar whose whole range is its close, so the gap is the whole move.
PairBar Flat(float close) { return {close, close, close}; }

void ExpectPair(const RatioPair* found, int p, int q) {
  ASSERT_NE(found, nullptr) << "expected " << p << " for " << q;
  EXPECT_EQ(found->p, p);
  EXPECT_EQ(found->q, q);
}

TEST(SplitPairTest, CloseRatioAcrossAGap) {
  ExpectPair(TestSplitPair({101, 98, 100}, {52, 49, 50}), 2, 1);
  // Ranges within 80% of the move (40) of each other, or exactly 40 apart.
  EXPECT_FALSE(TestSplitPair({101, 70, 100}, {52, 49, 50}));
  EXPECT_FALSE(TestSplitPair({101, 92, 100}, {52, 49, 50}));
  // A rise is measured from the earlier high to the later low, not the other pair.
  ExpectPair(TestSplitPair({52, 49, 50}, {101, 98, 100}), 1, 2);
  EXPECT_FALSE(TestSplitPair({95, 1, 50}, {101, 60, 100}));
  EXPECT_FALSE(TestSplitPair(Flat(30), Flat(40)));  // 3:4 is not a split ratio
  // The single-precision ratio just outside each bound is refused, the one just inside found.
  for (const RatioPair& pair : kSplitRatioPairs) {
    const double nominal = static_cast<double>(pair.p) / pair.q;
    for (const double bound : {0.9 * nominal, 1.1 * nominal}) {
      const bool lower = bound < nominal;
      float outside = static_cast<float>(bound);
      if (lower ? outside > bound : outside < bound) {
        outside = std::nextafter(outside, lower ? 0.0f : 100.0f);
      }
      const float inside = std::nextafter(outside, lower ? 100.0f : 0.0f);
      EXPECT_FALSE(TestSplitPair(Flat(outside), Flat(1.0f))) << pair.p << "/" << pair.q;
      ExpectPair(TestSplitPair(Flat(inside), Flat(1.0f)), pair.p, pair.q);
    }
  }

  // Flat bars make the gap the whole move, so only the ratio decides.
  int ordinary = 0;
  for (float later : {1.0f, 3.7f, 250.0f, 1.0e-6f, 6.0e7f}) {
    for (double ratio = 0.2; ratio < 4.5; ratio += 0.001) {
      for (const float earlier : {static_cast<float>(ratio * later),
                                  std::nextafter(static_cast<float>(ratio * later), 0.0f),
                                  std::nextafter(static_cast<float>(ratio * later), 1.0e9f)}) {
        if (!IsOrdinaryStep(earlier, later)) continue;
        ++ordinary;
        EXPECT_EQ(TestSplitPair(Flat(earlier), Flat(later)), nullptr) << earlier << " " << later;
      }
    }
  }
  EXPECT_GT(ordinary, 0);
}

// What one batch showed: its lines joined, its status and its count.
TEST(SearchFeedTest, GathersWithinTheIntervalAndShowsTheFirstCandidateAtOnce) {
  std::vector<std::string> shown;  // each batch: its candidates' symbols, status and count
  SearchFeed feed(
      [&](const SearchFeedBatch& batch) {
        std::string text;
        for (const SplitCandidate& c : batch.candidates) text += c.symbol + ";";
        shown.push_back(text + "|" + batch.status + "|" + std::to_string(batch.found));
      },
      std::chrono::hours(1));
  const auto candidate = [&](const char* symbol) { feed.Candidate({symbol, {2, 1}, 100}); };
  feed.Status("AAA");  // the first report of all is shown
  feed.Status("BBB");
  candidate("BBB");
  candidate("BBB");
  feed.Status("CCC");
  candidate("CCC");
  EXPECT_EQ(shown, (std::vector<std::string>{"|AAA|0", "BBB;|BBB|1"}));
  feed.Flush();
  feed.Flush();  // nothing left: nothing shown
  EXPECT_EQ(shown, (std::vector<std::string>{"|AAA|0", "BBB;|BBB|1", "BBB;CCC;|CCC|3"}));
  EXPECT_EQ(feed.Found(), 3);
}

}  // namespace
}  // namespace voltrim
