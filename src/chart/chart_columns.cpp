#include "chart/chart_columns.h"

#include <algorithm>

namespace voltrim {
namespace {

void Add(ChartColumn& column, const Quote& q) {
  const float top = std::max(BarTop(q), q.close);
  const float bottom = std::min(BarBottom(q), q.close);
  const float volume = Shown(q.volume) ? q.volume : 0.0f;
  if (column.quotes++ == 0) {
    column = {1, q.close, q.close, q.close, q.close, bottom, top, volume};
    return;
  }
  column.closeLow = std::min(column.closeLow, q.close);
  column.closeHigh = std::max(column.closeHigh, q.close);
  column.lastClose = q.close;
  column.barLow = std::min(column.barLow, bottom);
  column.barHigh = std::max(column.barHigh, top);
  column.volume = std::max(column.volume, volume);
}

}  // namespace

std::vector<ChartColumn> ChartColumnsOf(const ChartSeries& series, const ChartRange& range,
                                        int width) {
  std::vector<ChartColumn> columns(static_cast<std::size_t>(std::max(width, 0)));
  if (columns.empty()) return columns;
  const int end = std::min(range.EndShown(), series.Count());
  // Quotes come column by column, so each column is gathered here and stored once it is
  // done: a long series would otherwise wait on a store and a load per quote.
  ChartColumn gathering;
  std::size_t at = 0;
  for (int i = range.FirstShown(); i < end; ++i) {
    const Quote& q = series.quotes[static_cast<std::size_t>(i)];
    if (!Shown(q.close)) continue;
    // Whole pixels from the plot's left edge; inside it, truncating is flooring.
    const double x = range.FractionOf(i) * width;
    if (!(x >= 0.0) || x >= width) continue;
    const auto column = static_cast<std::size_t>(x);
    if (column != at) {
      if (gathering.quotes > 0) columns[at] = gathering;
      gathering = columns[column];
      at = column;
    }
    Add(gathering, q);
  }
  if (gathering.quotes > 0) columns[at] = gathering;
  return columns;
}

ChartExtent ChartExtentOf(const std::vector<ChartColumn>& columns, bool bars) {
  ChartExtent extent;
  for (const ChartColumn& column : columns) {
    if (column.quotes == 0) continue;
    const float low = bars ? column.barLow : column.closeLow;
    const float high = bars ? column.barHigh : column.closeHigh;
    if (extent.empty) {
      extent = {false, low, high, column.volume};
      continue;
    }
    extent.low = std::min(extent.low, low);
    extent.high = std::max(extent.high, high);
    extent.volume = std::max(extent.volume, column.volume);
  }
  return extent;
}

}  // namespace voltrim
