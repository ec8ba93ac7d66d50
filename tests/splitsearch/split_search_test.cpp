#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "datafiles/portfolio_builder.h"
#include "splitsearch/split_search.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::RecordingPrompt;
using testing::TempDir;

const DayNumber kFirstDay = DateFloatToDay(990104.0f);  // 01/04/99

// A series that moves between a close of 10 and a close of 5 at the given quotes, each
// move wide enough apart to look like a split; elsewhere the close does not change.
SeriesSpec ToggleSeries(int fileNumber, const std::string& symbol, int quotes,
                        const std::vector<int>& toggles) {
  std::vector<DailyQuote> bars;
  bool high = true;
  for (int i = 0; i < quotes; ++i) {
    for (int t : toggles) high = (t == i) ? !high : high;
    const DayNumber day = static_cast<DayNumber>(kFirstDay + i);
    bars.push_back(high ? DailyQuote{day, 10, 10.2f, 9.5f, 10, 1000}
                        : DailyQuote{day, 5, 5.2f, 4.9f, 5, 2000});
  }
  return MakeDailySeries(fileNumber, symbol, symbol + " INC", bars);
}

std::string Line(const std::string& symbol, int pq, int index) {
  const std::string date = FormatUserDate(static_cast<DayNumber>(kFirstDay + index));
  return symbol + (pq == 21 ? " possible 2 for 1 split on " : " possible 1 for 2 split on ") + date;
}

class SplitSearchTest : public ::testing::Test {
 protected:
  void Write(const std::vector<SeriesSpec>& series) {
    PortfolioSpec plan;
    for (const SeriesSpec& s : series) {
      PortfolioSpec::Entry entry;
      entry.series = s;
      plan.entries.push_back(entry);
    }
    ASSERT_EQ(WritePortfolio(dir_.str(), plan), kOk);
  }

  SplitSearchRun Search(const std::vector<std::string>& symbols) {
    return RunSplitSearch(dir_.str(), symbols, results_, prompt_,
                          [this](const SplitCandidate& c) { listened_.push_back(c.Line()); });
  }

  TempDir dir_;
  RecordingPrompt prompt_;
  SplitSearchResults results_;
  std::vector<std::string> listened_;
};

// Windows of 400 quotes share their end quotes: every pair, those across a window
// boundary included, is tested exactly once and in order.
TEST_F(SplitSearchTest, EveryPairIsTestedOnceAcrossWindowBoundaries) {
  Write({ToggleSeries(1, "EDGE", 401, {400}), ToggleSeries(2, "NEAR", 401, {399}),
         ToggleSeries(3, "LONG", 1000, {1, 399, 400, 798, 799, 999})});
  const SplitSearchRun run = Search({"EDGE", "NEAR", "LONG"});

  const std::vector<std::string> expected = {
      Line("EDGE", 21, 400), Line("NEAR", 21, 399), Line("LONG", 21, 1),   Line("LONG", 12, 399),
      Line("LONG", 21, 400), Line("LONG", 12, 798), Line("LONG", 21, 799), Line("LONG", 12, 999)};
  EXPECT_EQ(results_.Lines(), expected);
  EXPECT_EQ(listened_, expected);
  EXPECT_EQ(run.outcome, SplitSearchOutcome::Finished);
  EXPECT_EQ(run.candidatesFound, 8);
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(prompt_.statusTexts, (std::vector<std::string>{"EDGE", "NEAR", "LONG", "Done search"}));
  EXPECT_EQ(prompt_.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_EQ(prompt_.waitDepth, 0);
  EXPECT_GE(prompt_.maxWaitDepth, 1);
}

TEST_F(SplitSearchTest, SeriesWithFewerThanTwoQuotesAreReportedAndSkipped) {
  Write({ToggleSeries(1, "ONE", 1, {}), ToggleSeries(2, "NONE", 0, {}),
         ToggleSeries(3, "TWO", 2, {1})});
  // A symbol the MASTER does not list counts as a series without quotes.
  Search({"ONE", "NONE", "GONE", "TWO"});

  const auto fewer = [](const std::string& symbol) {
    return "For symbol " + symbol +
           "\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.";
  };
  EXPECT_EQ(prompt_.MessageTexts(),
            (std::vector<std::string>{fewer("ONE"), fewer("NONE"), fewer("GONE")}));
  EXPECT_EQ(results_.Lines(), std::vector<std::string>{Line("TWO", 21, 1)});
  EXPECT_EQ(prompt_.statusTexts, (std::vector<std::string>{"TWO", "Done search"}));
}

// Lines accumulate over searches; "No candidate splits found" speaks of one run alone.
TEST_F(SplitSearchTest, RepeatedSearchesAppendAndReportTheirOwnRun) {
  Write({ToggleSeries(1, "JUMP", 10, {5}), ToggleSeries(2, "CALM", 10, {})});
  EXPECT_EQ(Search({"JUMP", "CALM"}).candidatesFound, 1);
  EXPECT_EQ(Search({"JUMP", "CALM"}).candidatesFound, 1);
  EXPECT_TRUE(prompt_.messages.empty());
  Search({"CALM"});
  Search({});
  EXPECT_EQ(results_.Lines(), (std::vector<std::string>{Line("JUMP", 21, 5), Line("JUMP", 21, 5)}));
  EXPECT_EQ(prompt_.MessageTexts(),
            (std::vector<std::string>{"No candidate splits found", "No candidate splits found"}));
  EXPECT_EQ(prompt_.statusTexts.back(), "Done search");
  EXPECT_EQ(prompt_.beeps.size(), 4u);
}

// A DAT file shorter than its header says cannot give its last window: the search stops
// at once, keeping what it listed.
TEST_F(SplitSearchTest, FailedWindowReadEndsTheWholeSearch) {
  Write({ToggleSeries(1, "JUMP", 10, {5}), ToggleSeries(2, "CUT", 500, {100}),
         ToggleSeries(3, "AFTER", 10, {5})});
  const auto dat = dir_.path() / "F2.DAT";
  std::filesystem::resize_file(dat, std::filesystem::file_size(dat) - 50 * 24);

  const SplitSearchRun run = Search({"JUMP", "CUT", "AFTER"});
  EXPECT_EQ(run.outcome, SplitSearchOutcome::ReadFailed);
  EXPECT_EQ(results_.Lines(),
            (std::vector<std::string>{Line("JUMP", 21, 5), Line("CUT", 21, 100)}));
  EXPECT_EQ(prompt_.MessageTexts(), std::vector<std::string>{"Error in SplitSearch bars read"});
  EXPECT_EQ(prompt_.statusTexts, std::vector<std::string>{"JUMP"});
  EXPECT_TRUE(prompt_.beeps.empty());
  EXPECT_EQ(prompt_.waitDepth, 0);
}

}  // namespace
}  // namespace voltrim
