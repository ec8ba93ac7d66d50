#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "splitsearch/split_candidate.h"
#include "splitsearch/split_evidence.h"
#include "splitsearch/split_search.h"

namespace voltrim {

// A score from 50 up: more likely a split than not. The window counts these.
inline constexpr int kLikelySplitScore = 50;
// A step the search does not list joins the ranking only from this score up, so that the
// ranked list is the search's lines and a few more, not every large move of a portfolio.
inline constexpr int kAddedSplitScore = 25;

// One line of the ranked view.
struct RankedSplit {
  SplitCandidate candidate;
  int score = 0;  // 0 to 100: how likely a split, by the evidence
  std::string reason;
  SplitEvidence evidence;
  // The search lists this line (its place in the found order), or only the ranking does:
  // a step whose bars' ranges overlap, or whose ratio moved on the day, yet whose level
  // moved by a split ratio and stayed.
  bool listed = false;
  int foundPlace = -1;

  std::string Line() const { return candidate.Line(); }
};

// The candidates a search run found (in the order found) ranked, most likely first, with the
// large moves it missed that score kAddedSplitScore or more: each series the run searched
// (symbols are those it was given, its candidates' symbolIndex a place there) is read again
// and weighed. Equal weights keep the found order, the added lines after them by symbol and
// day. A series that cannot be read keeps its found lines, last, with score 0, saying so.
std::vector<RankedSplit> RankSearchRun(std::string_view portfolioDir,
                                       const std::vector<std::string>& symbols,
                                       const SplitSearchRun& run,
                                       const std::vector<SplitCandidate>& found);

// How many of the ranked lines score kLikelySplitScore or more.
int CountLikelySplits(const std::vector<RankedSplit>& ranked);

// "<line>\t<score>\t<reason>", as split-search --ranked prints it.
std::string RankedSplitText(const RankedSplit& ranked);

}  // namespace voltrim
