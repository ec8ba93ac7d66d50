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

// Weighs the candidates the search found in one series (each with its quote index) and
// adds the steps it missed that score kAddedSplitScore or more. found holds the series'
// candidates in found order, their places in the found list in foundPlaces.
std::vector<RankedSplit> RankSeriesSplits(const RankingQuotes& quotes,
                                          const std::vector<SplitCandidate>& found,
                                          const std::vector<int>& foundPlaces,
                                          const std::string& symbol, int symbolIndex);

// Reads the series of a searched portfolio and ranks what the search found there (found,
// in the order found) with the steps it missed, most likely first; equal weights keep the
// found order, the added steps after the found ones. symbols are those searched, in the
// search's order (its candidates' symbolIndex is a place in it). A series that cannot be
// read keeps its found candidates with score 0 and says so.
std::vector<RankedSplit> RankSplitCandidates(std::string_view portfolioDir,
                                             const std::vector<std::string>& symbols,
                                             const std::vector<SplitCandidate>& found);

// The candidates of a search run ranked: RankSplitCandidates over the symbols it searched.
std::vector<RankedSplit> RankSearchRun(std::string_view portfolioDir,
                                       const std::vector<std::string>& symbols,
                                       const SplitSearchRun& run,
                                       const std::vector<SplitCandidate>& found);

// How many of the ranked lines score kLikelySplitScore or more.
int CountLikelySplits(const std::vector<RankedSplit>& ranked);

// "<line>\t<score>\t<reason>", as split-search --ranked prints it.
std::string RankedSplitText(const RankedSplit& ranked);

}  // namespace voltrim
