#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"
#include "prompt/user_prompt.h"
#include "splitsearch/split_candidate.h"

namespace voltrim {

// Quotes in memory at once during a search; consecutive windows share one quote.
inline constexpr int kSplitSearchWindow = 400;

// The lines listed by every search since the window opened, in the order found. Later
// searches append; nothing clears it.
class SplitSearchResults {
 public:
  void Add(const SplitCandidate& candidate) { lines_.push_back(candidate.Line()); }
  const std::vector<std::string>& Lines() const { return lines_; }
  bool Empty() const { return lines_.empty(); }

 private:
  std::vector<std::string> lines_;
};

enum class SplitSearchOutcome {
  Finished,    // every symbol searched ("Done search")
  NoWindow,    // the quote window could not be allocated ("Too many bars")
  ReadFailed,  // a window of quotes could not be read; the search stopped there
};

struct SplitSearchRun {
  SplitSearchOutcome outcome = SplitSearchOutcome::Finished;
  int candidatesFound = 0;  // in this run alone
  int symbolsSearched = 0;  // from the first, the one whose read failed included
};

// Called after each candidate is listed, so a window can refresh as it goes.
using CandidateListener = std::function<void(const SplitCandidate&)>;

// Searches the series of the given symbols (the symbols grid's first column, in row
// order) of one portfolio for consecutive quotes that look like an unrecorded split,
// appending each candidate to results. Talks to the user through prompt.
SplitSearchRun RunSplitSearch(std::string_view portfolioDir,
                              const std::vector<std::string>& symbols, SplitSearchResults& results,
                              UserPrompt& prompt, const CandidateListener& onCandidate = {});

}  // namespace voltrim
