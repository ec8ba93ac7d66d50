#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "datafiles/fixtures.h"
#include "splitsearch/split_ranking.h"
#include "splitsearch/split_search.h"
#include "support/recording_prompt.h"

namespace voltrim::ranking_test {
namespace {

const DayNumber kFirstDay = DateFloatToDay(990104.0f);  // 01/04/99
constexpr int kQuotes = 300;
constexpr int kSplitAt = 150;

// A quiet series: closes about 10 in a pattern of four days, so that any 20 days hold the
// same closes and volumes.
DailyQuote Quiet(int i) {
  static const float kCloses[] = {10.0f, 10.1f, 10.05f, 9.95f};
  static const float kVolumes[] = {1000, 1200, 900, 1100};
  const float close = kCloses[i % 4];
  return {static_cast<DayNumber>(kFirstDay + i),
          close,
          close * 1.01f,
          close * 0.99f,
          close,
          kVolumes[i % 4]};
}

// Every quote before `at` as an unadjusted history holds it before a p for q split.
void Unadjust(std::vector<DailyQuote>& quotes, int at, float p, float q) {
  for (int i = 0; i < at; ++i) {
    DailyQuote& quote = quotes[static_cast<std::size_t>(i)];
    for (float* price : {&quote.open, &quote.high, &quote.low, &quote.close}) *price *= p / q;
    quote.volume *= q / p;
  }
}

std::vector<DailyQuote> Series(const std::function<DailyQuote(int)>& quote) {
  std::vector<DailyQuote> quotes;
  for (int i = 0; i < kQuotes; ++i) quotes.push_back(quote(i));
  return quotes;
}

// A planted 2 for 1; a penny stock flipping between two prices one tick apart; a 40% jump for
// a day; a 2 for 3 whose day rose 8% more and traded down into the old range, so that the
// bars' ranges overlap.
std::vector<std::pair<std::string, std::vector<DailyQuote>>> Folder() {
  std::vector<DailyQuote> clean = Series(Quiet);
  Unadjust(clean, kSplitAt, 2, 1);
  const std::vector<DailyQuote> flipping = Series([](int i) {
    const float close = (i / (1 + i % 5)) % 2 == 0 ? 0.002f : 0.003f;
    return DailyQuote{static_cast<DayNumber>(kFirstDay + i), close, close, close, close, 1e6f};
  });
  const std::vector<DailyQuote> jump = Series([](int i) {
    DailyQuote quote = Quiet(i);
    if (i == 200) quote = {quote.day, 14.0f, 14.2f, 13.9f, 14.0f, 5000};
    return quote;
  });
  std::vector<DailyQuote> moved = Series([](int i) {
    DailyQuote quote = Quiet(i);
    if (i >= kSplitAt)
      for (float* price : {&quote.open, &quote.high, &quote.low, &quote.close}) *price *= 1.08f;
    if (i == kSplitAt) quote.low = 9.9f;
    return quote;
  });
  Unadjust(moved, kSplitAt, 2, 3);
  return {{"CLEAN", clean}, {"FLIP", flipping}, {"JUMP", jump}, {"MOVED", moved}};
}

class SplitRankingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PortfolioSpec plan;
    for (const auto& [symbol, quotes] : Folder()) {
      const int number = static_cast<int>(plan.entries.size()) + 1;
      plan.entries.push_back({false, MakeDailySeries(number, symbol, symbol, quotes), {}});
      symbols_.push_back(symbol);
    }
    ASSERT_EQ(WritePortfolio(dir_.str(), plan), kOk);
  }

  std::vector<RankedSplit> Rank() {
    const SplitSearchRun run =
        RunSplitSearch(dir_.str(), symbols_, results_, prompt_,
                       [this](const SplitCandidate& c) { found_.push_back(c); });
    return RankSearchRun(dir_.str(), symbols_, run, found_);
  }

  static std::string Line(const char* symbol, int p, int q, int index) {
    return SplitCandidate{symbol, {p, q}, static_cast<DayNumber>(kFirstDay + index)}.Line();
  }

  testing::TempDir dir_;
  testing::RecordingPrompt prompt_;
  std::vector<std::string> symbols_;
  SplitSearchResults results_;
  std::vector<SplitCandidate> found_;
};

TEST_F(SplitRankingTest, APlantedSplitRanksAboveTickFlipsAndAJumpThatReverts) {
  const std::vector<RankedSplit> ranked = Rank();
  ASSERT_GE(ranked.size(), 2u);
  EXPECT_EQ(RankedSplitText(ranked[0]),
            Line("CLEAN", 2, 1, kSplitAt) + "\t" + std::to_string(ranked[0].score) +
                "\tcloses over 20 days either side 2.00x apart; volume 0.50x; no other move of "
                "25% within 120 days");
  EXPECT_GE(ranked[0].score, 90);
  // The jump and its return are listed, and the flips many times over: all far below.
  const auto linesOf = [&](const char* symbol) {
    return std::count_if(ranked.begin(), ranked.end(), [&](const RankedSplit& r) {
      EXPECT_TRUE(r.candidate.symbol == "CLEAN" || r.candidate.symbol == "MOVED" ||
                  r.score < kLikelySplitScore)
          << RankedSplitText(r);
      return r.candidate.symbol == symbol;
    });
  };
  EXPECT_EQ(linesOf("JUMP"), 2);
  EXPECT_GT(linesOf("FLIP"), 20);
  EXPECT_EQ(CountLikelySplits(ranked), 1);
}

// The plain search misses the 2 for 3 (the ranges overlap); the ranking adds it, after the
// search's lines of equal weight; every line of the search keeps its place in found order.
TEST_F(SplitRankingTest, HoldsEveryLineOfTheSearchAndAddsASplitWhoseDayAlsoMoved) {
  const std::vector<RankedSplit> ranked = Rank();
  const std::string moved = Line("MOVED", 2, 3, kSplitAt);
  const std::vector<std::string>& plain = results_.Lines();
  EXPECT_EQ(std::find(plain.begin(), plain.end(), moved), plain.end());
  const auto added = std::find_if(ranked.begin(), ranked.end(),
                                  [&](const RankedSplit& r) { return r.Line() == moved; });
  ASSERT_NE(added, ranked.end());
  EXPECT_FALSE(added->listed);
  EXPECT_GE(added->score, kAddedSplitScore);
  EXPECT_EQ(added - ranked.begin(), 1) << added->reason;  // right after the clean split
  EXPECT_EQ(added->candidate.quoteIndex, kSplitAt);
  EXPECT_EQ(added->candidate.symbolIndex, 3);
  EXPECT_NE(added->reason.find("; the day itself 0.62x"), std::string::npos) << added->reason;

  std::vector<std::string> listed(plain.size());
  for (const RankedSplit& r : ranked) {
    if (!r.listed) continue;
    ASSERT_GE(r.foundPlace, 0);
    ASSERT_LT(r.foundPlace, static_cast<int>(plain.size()));
    listed[static_cast<std::size_t>(r.foundPlace)] = r.Line();
  }
  EXPECT_EQ(listed, plain);
  EXPECT_TRUE(std::is_sorted(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
    return a.evidence.weight > b.evidence.weight;
  }));
}

// A series whose quotes cannot be read again keeps its found lines, last, saying so. A read
// that stops the search leaves the series after it unranked.
TEST_F(SplitRankingTest, LinesOfASeriesThatCannotBeReadComeLastAndAStoppedSearchRanksWhatItRead) {
  Rank();
  std::filesystem::remove(dir_.path() / "F3.DAT");
  SplitSearchRun run;
  run.symbolsSearched = static_cast<int>(symbols_.size());
  const std::vector<RankedSplit> ranked = RankSearchRun(dir_.str(), symbols_, run, found_);
  ASSERT_GE(ranked.size(), 2u);
  EXPECT_EQ(ranked[ranked.size() - 2].Line(), Line("JUMP", 2, 3, 200));
  EXPECT_EQ(ranked.back().Line(), Line("JUMP", 3, 2, 201));
  EXPECT_EQ(ranked.back().score, 0);
  EXPECT_EQ(ranked.back().reason, "its quotes could not be read");

  const auto flip = dir_.path() / "F2.DAT";
  std::filesystem::resize_file(flip, std::filesystem::file_size(flip) - 50 * 24);
  found_.clear();
  const std::vector<RankedSplit> stopped = Rank();
  ASSERT_EQ(prompt_.MessageTexts(), std::vector<std::string>{"Error in SplitSearch bars read"});
  ASSERT_EQ(stopped.size(), 1u);
  EXPECT_EQ(stopped[0].Line(), Line("CLEAN", 2, 1, kSplitAt));
}

}  // namespace
}  // namespace voltrim::ranking_test
