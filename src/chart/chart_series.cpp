#include "chart/chart_series.h"

#include "splitsearch/split_candidate.h"
#include "splitsearch/split_pair_test.h"

namespace voltrim {

ChartSeries ChartSeriesOf(const QuoteTable& table) {
  ChartSeries series;
  series.quotes.assign(table.rows.rbegin(), table.rows.rend());
  for (const Quote& quote : series.quotes) {
    if (quote.volume > 0.0f) {
      series.hasVolume = true;
      break;
    }
  }
  series.splits = FindSplitMarks(series.quotes, table.loadedSymbol);
  return series;
}

std::vector<ChartSplitMark> FindSplitMarks(const std::vector<Quote>& oldestFirst,
                                           const std::string& symbol) {
  std::vector<ChartSplitMark> marks;
  for (std::size_t k = 0; k + 1 < oldestFirst.size(); ++k) {
    const Quote& a = oldestFirst[k];
    const Quote& b = oldestFirst[k + 1];
    const RatioPair* ratio = SplitBetween({a.high, a.low, a.close}, {b.high, b.low, b.close});
    if (!ratio) continue;
    marks.push_back({static_cast<int>(k + 1), SplitCandidate{symbol, *ratio, b.date}.Line()});
  }
  return marks;
}

}  // namespace voltrim
