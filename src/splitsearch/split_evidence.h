#pragma once

#include <vector>

#include "datafiles/format/encodings.h"
#include "splitsearch/split_pair_test.h"

namespace voltrim {

// Quotes on each side of a step over which the close and volume levels are taken.
inline constexpr int kLevelWindow = 20;
// A move of 25% or more (either way) counts as a large one among a candidate's neighbours.
inline constexpr double kLargeMove = 0.2231435513142098;  // log 1.25
// Other large moves are counted this many calendar days either side.
inline constexpr int kNearbyDays = 120;

// The quotes of one series that the ranking weighs, oldest first: dates, closes and
// volumes (0 where the series has no volume).
struct RankingQuotes {
  std::vector<DayNumber> days;
  std::vector<float> closes;
  std::vector<float> volumes;
  bool hasTime = false;
};

// What was measured around a step, whose later quote is the first one after it.
struct SplitEvidence {
  int quotesBefore = 0;     // quotes in the window before the step (at most kLevelWindow)
  int quotesAfter = 0;      // and from the step on
  double level = 0;         // median close before / median close after; 0 when either is missing
  double volume = 0;        // the same of volumes; 0 when either is missing
  double step = 0;          // close before the step / close of its later quote; 0 when missing
  double dailyMove = 0;     // mean size of the other steps within kLevelWindow quotes, as a log
  int otherLargeMoves = 0;  // steps of kLargeMove or more within kNearbyDays, besides this one
  double weight = 0;        // the evidence summed: the ranking's order (0 is even odds)
};

// The steps of one series weighed as splits. Closes are kept as logs, so that a move or a
// shift of the level is a difference; closes and volumes of days without trade are left out.
class SeriesEvidence {
 public:
  // Ready to weigh the steps into the quotes at weighed (the search's candidates) and into
  // any quote a large move leads to.
  SeriesEvidence(const RankingQuotes& quotes, const std::vector<int>& weighed);

  // The quotes a move of kLargeMove or more leads into, oldest first.
  const std::vector<int>& LargeMoves() const { return largeMoves_; }
  // The evidence that the step into quote i is a split of ratio (p, q); listed: the
  // search's own test lists it.
  SplitEvidence Weigh(int i, const RatioPair& ratio, bool listed);
  // The ratio pair of a large move the search does not list when it moved by about a split
  // ratio and its level did too; null when it is none.
  const RatioPair* AddedRatio(int i);

 private:
  double Step(int i) const { return steps_[static_cast<std::size_t>(i)]; }
  double Level(int i) const { return levels_[static_cast<std::size_t>(i)]; }
  double ShortLevel(int i);
  double VolumeLevel(int i, int window);
  void LevelShifts(const std::vector<int>& weighed);
  void LevelShifts(int from, int to);
  double Wander(int i);

  const RankingQuotes& quotes_;
  std::vector<double> logCloses_, volumes_, steps_, levels_;
  std::vector<int> largeMoves_;
  std::vector<double> scratch_;
};

}  // namespace voltrim
