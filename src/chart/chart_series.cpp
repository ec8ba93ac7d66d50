#include "chart/chart_series.h"

#include "browser/grid_text.h"
#include "chart/chart_axis.h"
#include "datafiles/format/intraday.h"
#include "splitsearch/split_candidate.h"
#include "splitsearch/split_pair_test.h"
#include "text/time_text.h"

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
  series.hasTime = table.hasTime;
  series.splits = FindSplitMarks(series.quotes, table.loadedSymbol, table.hasTime);
  if (series.hasTime) {
    IntradayProfile profile;
    for (int i = 0; i < series.Count(); ++i) {
      const Quote& q = series.quotes[static_cast<std::size_t>(i)];
      if (i == 0 || q.date != series.quotes[static_cast<std::size_t>(i) - 1].date) {
        series.dayStarts.push_back(i);
      }
      profile.Add({q.date, q.time});
    }
    series.timeFrameSeconds = profile.TimeFrameSeconds();
  }
  return series;
}

std::string QuoteReadout(const Quote& quote, bool withTime) {
  std::string text = BarText(quote.date, quote.time, withTime);
  const auto add = [&text](const char* label, float value, bool count) {
    if (!(value >= 0.0f)) return;  // not held by the series ("N/A" in the grid)
    text.append("  ").append(label).append(" ");
    text.append(count ? GroupedCountText(value) : PriceCellText(value));
  };
  add("O", quote.open, false);
  add("H", quote.high, false);
  add("L", quote.low, false);
  add("C", quote.close, false);
  add("V", quote.volume, true);
  add("OI", quote.openInterest, true);
  return text;
}

std::vector<ChartSplitMark> FindSplitMarks(const std::vector<Quote>& oldestFirst,
                                           const std::string& symbol, bool hasTime) {
  std::vector<ChartSplitMark> marks;
  for (std::size_t k = 0; k + 1 < oldestFirst.size(); ++k) {
    const Quote& a = oldestFirst[k];
    const Quote& b = oldestFirst[k + 1];
    if (!StepTested(hasTime, a.date, b.date)) continue;
    const RatioPair* ratio = SplitBetween({a.high, a.low, a.close}, {b.high, b.low, b.close});
    if (!ratio) continue;
    marks.push_back({static_cast<int>(k + 1), SplitCandidate{symbol, *ratio, b.date}.Line()});
  }
  return marks;
}

}  // namespace voltrim
