#include "chart/ui/chart_geometry.h"

#include <algorithm>

namespace voltrim {

ChartGeometry::ChartGeometry(const QRect& area, const QFontMetrics& metrics, bool hasVolume) {
  const int pad = std::max(4, metrics.height() / 4);
  markerSize_ = std::max(8, metrics.height() * 2 / 3);
  const int scaleWidth = metrics.horizontalAdvance(QStringLiteral("00000000.00")) + 2 * pad;
  const int datesHeight = metrics.height() + pad;
  plot_ = area.adjusted(pad, pad + markerSize_, -scaleWidth, -datesHeight);
  if (plot_.width() < 1) plot_.setWidth(1);
  if (plot_.height() < 2) plot_.setHeight(2);
  scale_ = QRect(plot_.right() + 1, plot_.top(), scaleWidth, plot_.height());
  dates_ = QRect(plot_.left(), plot_.bottom() + 1, plot_.width(), datesHeight);
  price_ = plot_;
  if (hasVolume) {
    const int volumeHeight = std::max(plot_.height() / 4, std::min(plot_.height() / 2, 16));
    volume_ = QRect(plot_.left(), plot_.bottom() - volumeHeight + 1, plot_.width(), volumeHeight);
    price_.setBottom(volume_.top() - pad - 1);
  }
}

double ChartGeometry::FractionAt(int x) const {
  return (x - plot_.left() + 0.5) / static_cast<double>(plot_.width());
}

double ChartGeometry::XOf(const ChartRange& range, double index) const {
  return plot_.left() + range.FractionOf(index) * plot_.width();
}

double ChartGeometry::PixelsPerQuote(const ChartRange& range) const {
  return plot_.width() / range.Span();
}

int ChartGeometry::IndexAt(const ChartRange& range, int x) const {
  return range.IndexAt(FractionAt(x));
}

}  // namespace voltrim
