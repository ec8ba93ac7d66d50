#include "splitsearch/split_ranking.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"

namespace voltrim {

namespace {

int ScoreOf(double weight) {
  return static_cast<int>(std::lround(100.0 / (1.0 + std::exp(-weight))));
}

void AppendNumber(std::string& text, double value, int decimals) {
  char digits[32];
  const auto [end, error] =
      std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
  text.append(digits, error == std::errc() ? end : digits);
}

// The evidence in words: the level and the volume either side, what is odd about the step.
std::string ReasonOf(const SplitEvidence& e, const RatioPair& ratio) {
  std::string reason = "closes over ";
  if (e.quotesBefore == e.quotesAfter) {
    reason += std::to_string(e.quotesBefore) + " days either side ";
  } else {
    reason += std::to_string(e.quotesBefore) + " days before and " + std::to_string(e.quotesAfter) +
              " after ";
  }
  if (e.level > 0) {
    AppendNumber(reason, e.level, 2);
    reason += "x apart";
  } else {
    reason += "not traded";
  }
  if (e.volume > 0) {
    reason += "; volume ";
    AppendNumber(reason, e.volume, 2);
    reason += "x";
  } else {
    reason += "; no volume";
  }
  const double nominal = static_cast<double>(ratio.p) / ratio.q;
  if (e.step > 0 && std::fabs(std::log(e.step / nominal)) > 0.02) {
    reason += "; the day itself ";
    AppendNumber(reason, e.step, 2);
    reason += "x";
  }
  if (e.dailyMove >= 0.05) {
    reason += "; noisy, closes move ";
    AppendNumber(reason, 100.0 * (std::exp(e.dailyMove) - 1.0), 0);
    reason += "% a day";
  }
  if (e.otherLargeMoves == 0) {
    reason += "; no other move of 25% within 120 days";
  } else {
    reason += "; " + std::to_string(e.otherLargeMoves) +
              (e.otherLargeMoves == 1 ? " other move" : " other moves") + " of 25% within 120 days";
  }
  return reason;
}

RankedSplit Ranked(const SplitCandidate& candidate, const SplitEvidence& evidence, bool listed,
                   int foundPlace) {
  RankedSplit ranked;
  ranked.candidate = candidate;
  ranked.evidence = evidence;
  ranked.score = ScoreOf(evidence.weight);
  ranked.reason = ReasonOf(evidence, candidate.ratio);
  ranked.listed = listed;
  ranked.foundPlace = foundPlace;
  return ranked;
}

// A found candidate with nothing to weigh it by: last of all.
RankedSplit Unread(const SplitCandidate& candidate, int foundPlace) {
  SplitEvidence evidence;
  evidence.weight = -1e9;
  RankedSplit ranked = Ranked(candidate, evidence, true, foundPlace);
  ranked.score = 0;
  ranked.reason = "its quotes could not be read";
  return ranked;
}

bool ReadRankingQuotes(std::string_view portfolioDir, const std::string& symbol,
                       SeriesBuffer& buffer, RankingQuotes& quotes) {
  SeriesLocation location;
  SeriesReader reader;
  if (LocateAnySeries(portfolioDir, symbol, location) != kOk || reader.Open(location) != kOk)
    return false;
  const int total = reader.Total();
  quotes = RankingQuotes{};
  quotes.hasTime = location.layout.Has(Field::Time);
  if (total <= 0) return true;
  if (reader.Read(buffer, 0, total) != kOk) return false;
  const int count = buffer.Count();
  const SeriesBuffer::Column closes = buffer.ValueColumn(Field::Close);
  const SeriesBuffer::Column volumes = buffer.ValueColumn(Field::Vol);
  quotes.days.resize(static_cast<std::size_t>(count));
  quotes.closes.resize(static_cast<std::size_t>(count));
  quotes.volumes.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const auto at = static_cast<std::size_t>(i);
    quotes.days[at] = buffer.DateAt(i);
    quotes.closes[at] = closes[i];
    quotes.volumes[at] = std::max(volumes[i], 0.0f);
  }
  return count == total;
}

// Weighs the candidates the search found in one series (found, their places in the found
// list in foundPlaces) and adds the large moves it missed that score kAddedSplitScore or more.
std::vector<RankedSplit> RankSeriesSplits(const RankingQuotes& quotes,
                                          const std::vector<SplitCandidate>& found,
                                          const std::vector<int>& foundPlaces,
                                          const std::string& symbol, int symbolIndex) {
  const int count = static_cast<int>(quotes.closes.size());
  std::vector<int> weighed;
  std::vector<bool> listed(static_cast<std::size_t>(count), false);
  for (const SplitCandidate& c : found) {
    if (c.quoteIndex < 1 || c.quoteIndex >= count) continue;
    weighed.push_back(c.quoteIndex);
    listed[static_cast<std::size_t>(c.quoteIndex)] = true;
  }
  SeriesEvidence series(quotes, weighed);
  std::vector<RankedSplit> ranked;
  for (std::size_t k = 0; k < found.size(); ++k) {
    const SplitCandidate& c = found[k];
    if (c.quoteIndex < 1 || c.quoteIndex >= count)
      ranked.push_back(Unread(c, foundPlaces[k]));  // not among the quotes read
    else
      ranked.push_back(Ranked(c, series.Weigh(c.quoteIndex, c.ratio, true), true, foundPlaces[k]));
  }
  for (int i : series.LargeMoves()) {
    if (listed[static_cast<std::size_t>(i)]) continue;
    const RatioPair* ratio = series.AddedRatio(i);
    if (ratio == nullptr) continue;
    const SplitEvidence evidence = series.Weigh(i, *ratio, false);
    if (ScoreOf(evidence.weight) < kAddedSplitScore) continue;
    const SplitCandidate added{symbol, *ratio, quotes.days[static_cast<std::size_t>(i)],
                               symbolIndex, i};
    ranked.push_back(Ranked(added, evidence, false, -1));
  }
  return ranked;
}

// Reads the series of the symbols searched and ranks what the search found there with the
// large moves it missed; equal weights keep the found order, the added lines after them.
std::vector<RankedSplit> RankSplitCandidates(std::string_view portfolioDir,
                                             const std::vector<std::string>& symbols,
                                             const std::vector<SplitCandidate>& found) {
  // The found candidates of each searched symbol, with their places in the found order.
  std::vector<std::vector<SplitCandidate>> bySymbol(symbols.size());
  std::vector<std::vector<int>> placesBySymbol(symbols.size());
  std::vector<RankedSplit> ranked;
  for (std::size_t k = 0; k < found.size(); ++k) {
    const int s = found[k].symbolIndex;
    if (s < 0 || s >= static_cast<int>(symbols.size())) {
      ranked.push_back(Unread(found[k], static_cast<int>(k)));
      continue;
    }
    bySymbol[static_cast<std::size_t>(s)].push_back(found[k]);
    placesBySymbol[static_cast<std::size_t>(s)].push_back(static_cast<int>(k));
  }
  SeriesBuffer buffer(32767);
  RankingQuotes quotes;
  for (std::size_t s = 0; s < symbols.size(); ++s) {
    if (!ReadRankingQuotes(portfolioDir, symbols[s], buffer, quotes)) {
      for (std::size_t k = 0; k < bySymbol[s].size(); ++k)
        ranked.push_back(Unread(bySymbol[s][k], placesBySymbol[s][k]));
      continue;
    }
    std::vector<RankedSplit> series =
        RankSeriesSplits(quotes, bySymbol[s], placesBySymbol[s], symbols[s], static_cast<int>(s));
    for (RankedSplit& r : series) ranked.push_back(std::move(r));
  }
  // Most likely first; among equals the found order, then the added lines by symbol and day.
  std::stable_sort(ranked.begin(), ranked.end(), [](const RankedSplit& a, const RankedSplit& b) {
    if (a.evidence.weight != b.evidence.weight) return a.evidence.weight > b.evidence.weight;
    if (a.listed != b.listed) return a.listed;
    if (a.listed) return a.foundPlace < b.foundPlace;
    if (a.candidate.symbolIndex != b.candidate.symbolIndex)
      return a.candidate.symbolIndex < b.candidate.symbolIndex;
    return a.candidate.quoteIndex < b.candidate.quoteIndex;
  });
  return ranked;
}

}  // namespace

std::vector<RankedSplit> RankSearchRun(std::string_view portfolioDir,
                                       const std::vector<std::string>& symbols,
                                       const SplitSearchRun& run,
                                       const std::vector<SplitCandidate>& found) {
  const auto searched = std::min(symbols.size(), static_cast<std::size_t>(run.symbolsSearched));
  return RankSplitCandidates(
      portfolioDir,
      std::vector<std::string>(symbols.begin(),
                               symbols.begin() + static_cast<std::ptrdiff_t>(searched)),
      found);
}

int CountLikelySplits(const std::vector<RankedSplit>& ranked) {
  return static_cast<int>(std::count_if(ranked.begin(), ranked.end(), [](const RankedSplit& r) {
    return r.score >= kLikelySplitScore;
  }));
}

std::string RankedSplitText(const RankedSplit& ranked) {
  return ranked.Line() + '\t' + std::to_string(ranked.score) + '\t' + ranked.reason;
}

}  // namespace voltrim
