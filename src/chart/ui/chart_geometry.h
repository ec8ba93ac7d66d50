#pragma once

#include <QFontMetrics>
#include <QRect>

#include "chart/chart_range.h"
#include "chart/chart_series.h"

namespace voltrim {

// Where the parts of the chart lie in its area: the price plot, the volume plot below it
// (empty for a series without volume), the price scale at the right and the dates below.
// Shared by the drawing and by the mouse, so a click lands on the quote drawn under it.
class ChartGeometry {
 public:
  ChartGeometry(const QRect& area, const QFontMetrics& metrics, bool hasVolume);

  QRect Plot() const { return plot_; }  // price and volume together
  QRect Price() const { return price_; }
  QRect Volume() const { return volume_; }
  QRect Scale() const { return scale_; }
  QRect Dates() const { return dates_; }
  int MarkerSize() const { return markerSize_; }

  double FractionAt(int x) const;
  double XOf(const ChartRange& range, double index) const;
  double PixelsPerQuote(const ChartRange& range) const;
  // The quote nearest to x, or -1 for an empty series.
  int IndexAt(const ChartRange& range, int x) const;

 private:
  QRect plot_;
  QRect price_;
  QRect volume_;
  QRect scale_;
  QRect dates_;
  int markerSize_ = 0;
};

// Closer than this many pixels per quote, each quote is drawn as an open-high-low-close bar.
inline constexpr double kBarMinPixels = 5.0;

}  // namespace voltrim
