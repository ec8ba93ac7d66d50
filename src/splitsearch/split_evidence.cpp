#include "splitsearch/split_evidence.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace voltrim {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
// The short window: how the level stands in the days right around the step.
constexpr int kShortWindow = 5;
// The level shifts of the quotes this far either side (beyond the step's own windows) tell
// how far the level of this series wanders without a split.
constexpr int kWanderReach = 250;
// A large move the search does not list is weighed when it moved by a split ratio give or
// take this much (as a log) and its level moved by the ratio within this share of it.
constexpr double kAddedStepTolerance = 0.35;
constexpr double kAddedLevelTolerance = 0.35;

// What the weights weigh, each as the weights take it (see WeightOf).
struct Measures {
  double stepOverLargeMoves;  // log(|step| / 90th percentile of the other moves' sizes)
  double levelMiss;           // |level shift - ratio| / wander, at most 10
  double shortLevelMiss;      // the same over kShortWindow quotes
  double levelShift;          // log(|level shift| / wander), 0.1 to 100
  double volumeFit;           // how far the volume level moved the other way: -1 to 1
  double shortVolumeFit;      // the same over kShortWindow quotes
  double largeMovesNearby;    // square root of their number
  double dailyMove;           // log of the mean size of a move
  double ratioMiss;           // log(|step - ratio| + 0.005)
  double ratioMissOverMoves;  // log(|step - ratio| / mean size of a move), from log 0.05
  bool listed;                // the search's own test lists the step
};

// The log of the odds that the step is a split. The weights were fitted on splits planted
// at random days among the candidates of real daily series of small mining stocks (see
// docs/benchmarks.md).
double WeightOf(const Measures& m) {
  return -4.41 + 1.26 * m.stepOverLargeMoves - 0.11 * m.levelMiss - 0.31 * m.shortLevelMiss +
         0.35 * m.levelShift + 0.18 * m.volumeFit + 0.26 * m.shortVolumeFit -
         0.41 * m.largeMovesNearby - 0.20 * m.dailyMove - 0.24 * m.ratioMiss -
         0.25 * m.ratioMissOverMoves - (m.listed ? 0.0 : 1.67);
}

bool Valid(double x) { return !std::isnan(x); }
double Traded(float x) { return x > 0 ? static_cast<double>(x) : kMissing; }

// The median of values (reordered), the mean of the two middle ones for an even number.
double MedianOf(std::vector<double>& values) {
  const auto half = static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), values.begin() + half, values.end());
  const double upper = values[static_cast<std::size_t>(half)];
  if (values.size() % 2 == 1) return upper;
  return (*std::max_element(values.begin(), values.begin() + half) + upper) / 2;
}

// The median of the valid values of x[from, to); NaN when there is none.
double MedianOfValid(const std::vector<double>& x, int from, int to, std::vector<double>& scratch) {
  scratch.clear();
  for (int j = std::max(from, 0); j < std::min(to, static_cast<int>(x.size())); ++j)
    if (Valid(x[static_cast<std::size_t>(j)])) scratch.push_back(x[static_cast<std::size_t>(j)]);
  return scratch.empty() ? kMissing : MedianOf(scratch);
}

// The p-th quantile of values, between the two nearest ranks.
double Percentile(std::vector<double>& values, double p) {
  std::sort(values.begin(), values.end());
  const double at = p * static_cast<double>(values.size() - 1);
  const auto below = static_cast<std::size_t>(at);
  if (below + 1 >= values.size()) return values.back();
  return values[below] + (at - static_cast<double>(below)) * (values[below + 1] - values[below]);
}

// The sorted valid values of a sliding window, for a median at every quote.
class SlidingMedian {
 public:
  void Add(double x) {
    if (Valid(x)) sorted_.insert(std::lower_bound(sorted_.begin(), sorted_.end(), x), x);
  }
  void Remove(double x) {
    if (!Valid(x)) return;
    const auto at = std::lower_bound(sorted_.begin(), sorted_.end(), x);
    if (at != sorted_.end() && *at == x) sorted_.erase(at);
  }
  double Median() const {
    if (sorted_.empty()) return kMissing;
    const std::size_t half = sorted_.size() / 2;
    return sorted_.size() % 2 == 1 ? sorted_[half] : (sorted_[half - 1] + sorted_[half]) / 2;
  }

 private:
  std::vector<double> sorted_;
};

double LogOfRatio(int p, int q) { return std::log(static_cast<double>(p) / q); }

// How far a log move fits the ratio f rather than no move at all: 1 for a perfect fit,
// -1 for none; 0 when there is nothing to tell by.
double FitOrNot(double move, double f) {
  return Valid(move) ? (std::fabs(move) - std::fabs(move + f)) / std::fabs(f) : 0.0;
}

}  // namespace

SeriesEvidence::SeriesEvidence(const RankingQuotes& quotes, const std::vector<int>& weighed)
    : quotes_(quotes) {
  const std::size_t n = quotes.closes.size();
  logCloses_.resize(n);
  volumes_.resize(n);
  steps_.assign(n, kMissing);
  for (std::size_t j = 0; j < n; ++j) {
    logCloses_[j] = std::log(Traded(quotes.closes[j]));
    volumes_[j] = j < quotes.volumes.size() ? Traded(quotes.volumes[j]) : kMissing;
    if (j > 0) steps_[j] = logCloses_[j - 1] - logCloses_[j];
    if (j > 0 && std::fabs(steps_[j]) > kLargeMove) largeMoves_.push_back(static_cast<int>(j));
  }
  LevelShifts(weighed);
}

double SeriesEvidence::ShortLevel(int i) {
  return MedianOfValid(logCloses_, i - kShortWindow, i, scratch_) -
         MedianOfValid(logCloses_, i, i + kShortWindow, scratch_);
}

// The log of median volume before over median volume from quote i on.
double SeriesEvidence::VolumeLevel(int i, int window) {
  const double before = MedianOfValid(volumes_, i - window, i, scratch_);
  const double after = MedianOfValid(volumes_, i, i + window, scratch_);
  return std::log(before / after);
}

SplitEvidence SeriesEvidence::Weigh(int i, const RatioPair& ratio, bool listed) {
  const double f = LogOfRatio(ratio.p, ratio.q);
  const int n = static_cast<int>(logCloses_.size());
  const double level = Level(i), shortLevel = ShortLevel(i);
  const double volume = VolumeLevel(i, kLevelWindow);
  const double step = Valid(Step(i)) ? Step(i) : 0.0;
  SplitEvidence e;
  e.quotesBefore = std::min(kLevelWindow, i);
  e.quotesAfter = std::min(kLevelWindow, n - i);
  e.level = Valid(level) ? std::exp(level) : 0.0;
  e.volume = Valid(volume) ? std::exp(volume) : 0.0;
  e.step = Valid(Step(i)) ? std::exp(step) : 0.0;

  // The other moves around: their mean size, and how large the large ones are.
  scratch_.clear();
  for (int j = std::max(1, i - kLevelWindow); j < std::min(n, i + kLevelWindow + 1); ++j)
    if (j != i && Valid(Step(j))) scratch_.push_back(std::fabs(Step(j)));
  double large = 0;
  if (!scratch_.empty()) {
    for (double move : scratch_) e.dailyMove += move;
    e.dailyMove /= static_cast<double>(scratch_.size());
    large = Percentile(scratch_, 0.9);
  }
  const int day = quotes_.days[static_cast<std::size_t>(i)];
  for (int j : largeMoves_)
    if (j != i && std::abs(quotes_.days[static_cast<std::size_t>(j)] - day) <= kNearbyDays)
      ++e.otherLargeMoves;

  const double wander = std::max(Wander(i), 0.02);
  const auto levelMiss = [&](double shift) {
    return Valid(shift) ? std::min(std::fabs(shift - f) / wander, 10.0) : 10.0;
  };
  const double miss = std::fabs(step - f);
  e.weight =
      WeightOf({std::log(std::max(std::fabs(step) / std::max(large, 0.01), 0.1)), levelMiss(level),
                levelMiss(shortLevel),
                std::log(Valid(level) ? std::clamp(std::fabs(level) / wander, 0.1, 100.0) : 0.1),
                FitOrNot(volume, f), FitOrNot(VolumeLevel(i, kShortWindow), f),
                std::sqrt(static_cast<double>(e.otherLargeMoves)),
                std::log(std::max(e.dailyMove, 1e-3)), std::log(miss + 0.005),
                std::log(std::max(miss / std::max(e.dailyMove, 0.003), 0.05)), listed});
  return e;
}

const RatioPair* SeriesEvidence::AddedRatio(int i) {
  if (!StepTested(quotes_.hasTime, quotes_.days[static_cast<std::size_t>(i - 1)],
                  quotes_.days[static_cast<std::size_t>(i)]))
    return nullptr;
  const double step = Step(i);
  const RatioPair* nearest = nullptr;
  for (const RatioPair& pair : kSplitRatioPairs) {
    const double f = LogOfRatio(pair.p, pair.q);
    if ((f > 0) == (step > 0) &&
        (!nearest || std::fabs(step - f) < std::fabs(step - LogOfRatio(nearest->p, nearest->q))))
      nearest = &pair;
  }
  if (!nearest) return nullptr;
  const double f = LogOfRatio(nearest->p, nearest->q);
  if (std::fabs(step - f) > kAddedStepTolerance) return nullptr;
  double levelMiss = std::numeric_limits<double>::infinity();
  for (double level : {Level(i), ShortLevel(i)})
    if (Valid(level)) levelMiss = std::min(levelMiss, std::fabs(level - f));
  return levelMiss <= kAddedLevelTolerance * std::fabs(f) ? nearest : nullptr;
}

// The level shift across each quote whose shift is needed: the median log close of the
// kLevelWindow quotes before less that of the kLevelWindow from it on. Only around the steps
// weighed, where the level's wandering is measured too: most of a quiet series is never
// looked at.
void SeriesEvidence::LevelShifts(const std::vector<int>& weighed) {
  const int n = static_cast<int>(logCloses_.size());
  std::vector<bool> needed(static_cast<std::size_t>(n), false);
  const auto need = [&](int i) {
    std::fill(needed.begin() + std::max(0, i - kWanderReach),
              needed.begin() + std::min(n, i + kWanderReach + 1), true);
  };
  for (int i : weighed) need(i);
  for (int i : largeMoves_) need(i);
  levels_.assign(static_cast<std::size_t>(n), kMissing);
  for (int from = 0, to = 0; from < n; from = to) {
    to = from + 1;
    if (!needed[static_cast<std::size_t>(from)]) continue;
    while (to < n && needed[static_cast<std::size_t>(to)]) ++to;
    LevelShifts(from, to);
  }
}

// The level shifts of the quotes from..to, each window sliding along with the quote.
void SeriesEvidence::LevelShifts(int from, int to) {
  const auto x = [this](int j) { return logCloses_[static_cast<std::size_t>(j)]; };
  const int n = static_cast<int>(logCloses_.size());
  SlidingMedian before;
  for (int j = std::max(0, from - kLevelWindow); j < from; ++j) before.Add(x(j));
  std::vector<double> beforeMedians(static_cast<std::size_t>(to - from));
  for (int j = from; j < to; ++j) {
    beforeMedians[static_cast<std::size_t>(j - from)] = before.Median();
    before.Add(x(j));
    if (j - kLevelWindow >= 0) before.Remove(x(j - kLevelWindow));
  }
  SlidingMedian after;
  for (int j = to; j < std::min(n, to + kLevelWindow); ++j) after.Add(x(j));
  for (int j = to - 1; j >= from; --j) {
    after.Add(x(j));
    if (j + kLevelWindow < n) after.Remove(x(j + kLevelWindow));
    levels_[static_cast<std::size_t>(j)] =
        beforeMedians[static_cast<std::size_t>(j - from)] - after.Median();
  }
}

// How far the level wanders without a split: the median size of the level shifts of the
// quotes within kWanderReach, leaving out those whose windows hold the step.
double SeriesEvidence::Wander(int i) {
  scratch_.clear();
  const int n = static_cast<int>(logCloses_.size());
  for (int j = std::max(1, i - kWanderReach); j < std::min(n, i + kWanderReach); ++j)
    if (std::abs(j - i) >= kLevelWindow && Valid(Level(j))) scratch_.push_back(std::fabs(Level(j)));
  return scratch_.size() <= 5 ? 0.1 : MedianOf(scratch_);
}

}  // namespace voltrim
