#include "chart/ui/chart_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <vector>

#include "chart/chart_axis.h"
#include "chart/chart_columns.h"
#include "chart/chart_days.h"
#include "chart/ui/chart_geometry.h"
#include "text/time_text.h"

namespace voltrim {
namespace {

QColor Faded(QColor color, int alpha) {
  color.setAlpha(alpha);
  return color;
}

// Maps values onto a band of pixels, low at the bottom.
class ValueScale {
 public:
  ValueScale(double low, double high, const QRect& band) : band_(band) {
    if (!(high > low)) {
      const double pad = low != 0.0 ? std::abs(low) * 0.01 : 1.0;
      low -= pad;
      high += pad;
    } else {
      const double pad = (high - low) * 0.04;
      low -= pad;
      high += pad;
    }
    low_ = low;
    high_ = high;
  }
  double Low() const { return low_; }
  double High() const { return high_; }
  double Y(double value) const {
    return band_.bottom() + 1 - (value - low_) / (high_ - low_) * band_.height();
  }

 private:
  QRect band_;
  double low_;
  double high_;
};

class Painter {
 public:
  Painter(QPainter& p, const QRect& area, const QPalette& palette, const QFont& font,
          const ChartPicture& picture)
      : p_(p),
        area_(area),
        palette_(palette),
        metrics_(font),
        picture_(picture),
        series_(*picture.series),
        range_(picture.range),
        geometry_(area, metrics_, series_.hasVolume) {
    p_.setFont(font);
  }

  void Paint() {
    // Nothing is drawn outside the area; a clip rectangle also lets the raster engine draw
    // lines straight into the image instead of handing pixel runs to its thread pool.
    p_.save();
    p_.setClipRect(area_, Qt::IntersectClip);
    PaintInside();
    p_.restore();
  }

 private:
  void PaintInside() {
    p_.fillRect(area_, palette_.color(QPalette::Base));
    p_.setPen(palette_.color(QPalette::Mid));
    p_.drawRect(area_.adjusted(0, 0, -1, -1));
    p_.setPen(Faded(palette_.color(QPalette::Text), 90));
    p_.drawRect(geometry_.Plot().adjusted(-1, -1, 0, 0));
    if (series_.Count() == 0) {
      // An empty frame would look like a chart still loading.
      p_.setPen(palette_.color(QPalette::Text));
      p_.drawText(geometry_.Plot(), Qt::AlignCenter, QStringLiteral("No quotes"));
      return;
    }

    bars_ = geometry_.PixelsPerQuote(range_) >= kBarMinPixels;
    columns_ = ChartColumnsOf(series_, range_, geometry_.Plot().width());
    const ChartExtent extent = ChartExtentOf(columns_, bars_);
    if (extent.empty) return;
    const ValueScale price(extent.low, extent.high, geometry_.Price());
    PriceGrid(price);
    DateAxis();
    p_.save();
    p_.setClipRect(geometry_.Plot().adjusted(0, -geometry_.MarkerSize(), 0, 0), Qt::IntersectClip);
    SplitMarks();
    if (series_.hasVolume && extent.volume > 0.0f) Volume(extent.volume);
    if (bars_) {
      Bars(price);
    } else {
      Line(price);
    }
    Current(price);
    p_.restore();
  }

  double X(double index) const { return geometry_.XOf(range_, index); }
  double ColumnX(std::size_t column) const {
    return geometry_.Plot().left() + static_cast<double>(column) + 0.5;
  }

  void PriceGrid(const ValueScale& price) {
    const QRect band = geometry_.Price();
    const int maxTicks = std::max(2, band.height() / (2 * metrics_.height()));
    const AxisTicks ticks = NiceTicks(price.Low(), price.High(), maxTicks);
    const QRect scale = geometry_.Scale();
    for (const double value : ticks.values) {
      const double y = price.Y(value);
      p_.setPen(Faded(palette_.color(QPalette::Text), 40));
      p_.drawLine(QPointF(band.left(), y), QPointF(band.right(), y));
      p_.setPen(palette_.color(QPalette::Text));
      const QRectF text(scale.left() + 4, y - metrics_.height() / 2.0, scale.width() - 4,
                        metrics_.height());
      p_.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                  QString::fromStdString(TickText(value, ticks.step)));
    }
  }

  // A series with a time of day: a line before each day's first bar with its date, and the
  // times of bars where the days are wide enough.
  void DayAxis() {
    const QRect dates = geometry_.Dates();
    const QRect plot = geometry_.Plot();
    const int dateWidth = metrics_.horizontalAdvance(QStringLiteral("00/00/00"));
    const int timeWidth = metrics_.horizontalAdvance(QStringLiteral("00:00"));
    for (const DayAxisMark& mark :
         DayAxisMarks(series_, range_, plot.width(), dateWidth, timeWidth)) {
      const Quote& q = series_.quotes[static_cast<std::size_t>(mark.index)];
      if (mark.carried) {
        p_.setPen(palette_.color(QPalette::Text));
        p_.drawText(QRectF(plot.left() + 2, dates.top() + 1, dateWidth + 2, metrics_.height()),
                    Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(FormatUserDate(q.date)));
        continue;
      }
      if (mark.dayStart) {
        const double x = X(mark.index - 0.5);
        p_.setPen(Faded(palette_.color(QPalette::Text), mark.labelled ? 110 : 55));
        p_.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom() + 3));
        if (!mark.labelled) continue;
        p_.setPen(palette_.color(QPalette::Text));
        const double left = std::min(x + 2, static_cast<double>(area_.right() - dateWidth));
        p_.drawText(QRectF(left, dates.top() + 1, dateWidth + 2, metrics_.height()),
                    Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(FormatUserDate(q.date)));
        continue;
      }
      const double x = X(mark.index);
      p_.setPen(Faded(palette_.color(QPalette::Text), 30));
      p_.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
      p_.setPen(Faded(palette_.color(QPalette::Text), 170));
      const QString text = QString::fromStdString(FormatTimeText(q.time).substr(0, 5));
      p_.drawText(
          QRectF(x - timeWidth / 2.0 - 1, dates.top() + 1, timeWidth + 2, metrics_.height()),
          Qt::AlignHCenter | Qt::AlignTop, text);
    }
  }

  void DateAxis() {
    if (series_.hasTime) return DayAxis();
    const QRect dates = geometry_.Dates();
    const int labelWidth = metrics_.horizontalAdvance(QStringLiteral("00/00/00"));
    const int step = DateLabelStep(geometry_.PixelsPerQuote(range_), labelWidth * 1.6);
    const int first = (range_.FirstShown() + step - 1) / step * step;
    for (int i = first; i < range_.EndShown(); i += step) {
      const double x = X(i);
      if (x < dates.left() || x > dates.right()) continue;
      p_.setPen(Faded(palette_.color(QPalette::Text), 40));
      p_.drawLine(QPointF(x, geometry_.Plot().top()), QPointF(x, geometry_.Plot().bottom()));
      p_.setPen(palette_.color(QPalette::Text));
      const QString text =
          QString::fromStdString(FormatUserDate(series_.quotes[static_cast<std::size_t>(i)].date));
      const double left = std::clamp(x - labelWidth / 2.0, static_cast<double>(area_.left()),
                                     static_cast<double>(area_.right() - labelWidth));
      p_.drawText(QRectF(left, dates.top() + 1, labelWidth + 2, metrics_.height()),
                  Qt::AlignLeft | Qt::AlignTop, text);
    }
  }

  void SplitMarks() {
    const QColor color = palette_.color(QPalette::Link);
    const QRect plot = geometry_.Plot();
    const double size = geometry_.MarkerSize();
    for (const ChartSplitMark& mark : series_.splits) {
      if (mark.index < range_.FirstShown() || mark.index >= range_.EndShown()) continue;
      // Between the two quotes of the pair: the split took effect there.
      const double x = X(mark.index - 0.5);
      p_.setPen(QPen(Faded(color, 140), 1, Qt::DashLine));
      p_.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
      QPolygonF triangle;
      triangle << QPointF(x - size / 2, plot.top() - size)
               << QPointF(x + size / 2, plot.top() - size) << QPointF(x, plot.top());
      p_.setPen(Qt::NoPen);
      p_.setBrush(color);
      p_.drawPolygon(triangle);
      p_.setBrush(Qt::NoBrush);
    }
  }

  void Volume(float largest) {
    const ValueScale volume(0.0, largest, geometry_.Volume());
    const double base = geometry_.Volume().bottom() + 1;
    const QColor color = Faded(palette_.color(QPalette::Text), 110);
    if (bars_) {
      const double width = std::max(1.0, geometry_.PixelsPerQuote(range_) * 0.6);
      for (int i = range_.FirstShown(); i < range_.EndShown(); ++i) {
        const float v = series_.quotes[static_cast<std::size_t>(i)].volume;
        if (v <= 0.0f) continue;
        const double top = std::min(volume.Y(v), base - 1);
        p_.fillRect(QRectF(X(i) - width / 2, top, width, base - top), color);
      }
    } else {
      std::vector<QLineF> lines;
      lines.reserve(columns_.size());
      for (std::size_t c = 0; c < columns_.size(); ++c) {
        if (columns_[c].quotes == 0 || columns_[c].volume <= 0.0f) continue;
        lines.emplace_back(ColumnX(c), base, ColumnX(c),
                           std::min(volume.Y(columns_[c].volume), base - 1));
      }
      p_.setPen(QPen(color, 1));
      p_.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
    p_.setPen(palette_.color(QPalette::Text));
    const QRect scale = geometry_.Scale();
    p_.setClipping(false);
    p_.drawText(
        QRectF(scale.left() + 4, geometry_.Volume().top(), scale.width() - 4, metrics_.height()),
        Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(GroupedCountText(largest)));
    p_.setClipping(true);
  }

  // Each column draws its span of closes and joins the next column: a few lines a column
  // however many quotes fall into it.
  void Line(const ValueScale& price) {
    std::vector<QLineF> lines;
    lines.reserve(columns_.size() * 2);
    const ChartColumn* previous = nullptr;
    double previousX = 0.0;
    for (std::size_t c = 0; c < columns_.size(); ++c) {
      const ChartColumn& column = columns_[c];
      if (column.quotes == 0) continue;
      const double x = ColumnX(c);
      if (previous) {
        lines.emplace_back(previousX, price.Y(previous->lastClose), x, price.Y(column.firstClose));
      }
      if (column.closeHigh > column.closeLow) {
        lines.emplace_back(x, price.Y(column.closeLow), x, price.Y(column.closeHigh));
      }
      previous = &column;
      previousX = x;
    }
    // Zoomed in, the joins are long slanted lines that look better smoothed.
    p_.setRenderHint(QPainter::Antialiasing, range_.Span() < static_cast<double>(columns_.size()));
    p_.setPen(QPen(palette_.color(QPalette::Text), 1));
    p_.drawLines(lines.data(), static_cast<int>(lines.size()));
    p_.setRenderHint(QPainter::Antialiasing, false);
  }

  void Bars(const ValueScale& price) {
    const double tick = std::min(geometry_.PixelsPerQuote(range_) * 0.35, 8.0);
    std::vector<QLineF> lines;
    for (int i = range_.FirstShown(); i < range_.EndShown(); ++i) {
      const Quote& q = series_.quotes[static_cast<std::size_t>(i)];
      if (!Shown(q.close)) continue;
      const double x = X(i);
      lines.emplace_back(x, price.Y(std::min(BarBottom(q), q.close)), x,
                         price.Y(std::max(BarTop(q), q.close)));
      if (Shown(q.open)) lines.emplace_back(x - tick, price.Y(q.open), x, price.Y(q.open));
      lines.emplace_back(x, price.Y(q.close), x + tick, price.Y(q.close));
    }
    p_.setPen(QPen(palette_.color(QPalette::Text), 1.5));
    p_.drawLines(lines.data(), static_cast<int>(lines.size()));
  }

  void Current(const ValueScale& price) {
    const int index = picture_.currentIndex;
    if (index < range_.FirstShown() || index >= range_.EndShown()) return;
    const QRect plot = geometry_.Plot();
    const QColor color = palette_.color(QPalette::Highlight);
    const double x = X(index);
    p_.setPen(QPen(Faded(color, 170), 1));
    p_.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    const Quote& q = series_.quotes[static_cast<std::size_t>(index)];
    if (!Shown(q.close)) return;
    const double radius = std::max(3.0, metrics_.height() / 5.0);
    p_.setRenderHint(QPainter::Antialiasing, true);
    p_.setPen(QPen(palette_.color(QPalette::Base), 1));
    p_.setBrush(color);
    p_.drawEllipse(QPointF(x, price.Y(q.close)), radius, radius);
    p_.setBrush(Qt::NoBrush);
    p_.setRenderHint(QPainter::Antialiasing, false);
  }

  QPainter& p_;
  QRect area_;
  const QPalette& palette_;
  QFontMetrics metrics_;
  const ChartPicture& picture_;
  const ChartSeries& series_;
  const ChartRange& range_;
  ChartGeometry geometry_;
  std::vector<ChartColumn> columns_;
  bool bars_ = false;
};

}  // namespace

void PaintChart(QPainter& painter, const QRect& area, const QPalette& palette, const QFont& font,
                const ChartPicture& picture) {
  if (!picture.series || area.isEmpty()) return;
  Painter(painter, area, palette, font, picture).Paint();
}

}  // namespace voltrim
