#include "splitsearch/search_feed.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace voltrim {
namespace {

// What one batch showed: its lines joined, its status and its count.
struct Shown {
  std::string lines;
  std::string status;
  int found = 0;
  bool operator==(const Shown&) const = default;
};

class SearchFeedTest : public ::testing::Test {
 protected:
  SearchFeed Feed(std::chrono::milliseconds interval) {
    return SearchFeed(
        [this](const SearchFeedBatch& batch) {
          Shown shown{"", batch.status, batch.found};
          for (const SplitCandidate& c : batch.candidates) shown.lines += c.symbol + ";";
          batches.push_back(shown);
        },
        interval);
  }
  static SplitCandidate Candidate(const std::string& symbol) { return {symbol, {2, 1}, 100}; }

  std::vector<Shown> batches;
};

// Within the interval only the first candidate shows at once; the rest waits for the flush.
TEST_F(SearchFeedTest, GathersWithinTheIntervalAndShowsTheFirstCandidateAtOnce) {
  SearchFeed feed = Feed(std::chrono::hours(1));
  feed.Status("AAA");  // the first report of all is shown
  feed.Status("BBB");
  feed.Candidate(Candidate("BBB"));
  feed.Candidate(Candidate("BBB"));
  feed.Status("CCC");
  feed.Candidate(Candidate("CCC"));
  EXPECT_EQ(batches, (std::vector<Shown>{{"", "AAA", 0}, {"BBB;", "BBB", 1}}));
  feed.Flush();
  feed.Flush();  // nothing left: nothing shown
  EXPECT_EQ(batches.back(), (Shown{"BBB;CCC;", "CCC", 3}));
  EXPECT_EQ(batches.size(), 3u);
  EXPECT_EQ(feed.Found(), 3);
}

}  // namespace
}  // namespace voltrim
