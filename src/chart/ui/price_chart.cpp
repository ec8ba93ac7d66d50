#include "chart/ui/price_chart.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>

#include "chart/ui/chart_geometry.h"
#include "chart/ui/chart_painter.h"

namespace voltrim {
namespace {

// One notch of an ordinary wheel (120 eighths of a degree) zooms by this factor.
constexpr double kZoomPerNotch = 0.8;
constexpr int kWheelNotch = 120;

}  // namespace

PriceChart::PriceChart(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("priceChart"));
  setFocusPolicy(Qt::ClickFocus);
  // The quote under the pointer is read out in the status bar.
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

PriceChart::~PriceChart() = default;

void PriceChart::SetQuotes(const QuoteTable& table, const std::string& seriesKey) {
  // A write empties the grid before it is filled again; the view of the series from before
  // the write is what the user wants back afterwards.
  if (series_.Count() > 0) keptRange_ = range_;
  const bool sameSeries = seriesKey == seriesKey_ && !seriesKey.empty();
  // The readout was of a quote of the series going away.
  if (pointedIndex_ >= 0) {
    pointedIndex_ = -1;
    Q_EMIT pointedAt(QString());
  }
  series_ = ChartSeriesOf(table);
  range_ = sameSeries ? keptRange_ : ChartRange::Whole(series_.Count());
  range_.Resize(series_.Count());
  if (series_.Count() > 0) seriesKey_ = seriesKey;
  currentIndex_ = series_.IndexOfRow(table.currentRow);
  update();
}

void PriceChart::SetCurrentRow(int row) {
  const int index = series_.IndexOfRow(row);
  if (index == currentIndex_) return;
  currentIndex_ = index;
  range_.EnsureShown(index);
  update();
}

QRect PriceChart::ChartArea() const {
  // Inset like the form's group boxes above it, so the chart lines up with them.
  const int margin = style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
  return rect().adjusted(margin, 0, -margin, -margin / 2);
}

ChartGeometry PriceChart::Geometry() const {
  return ChartGeometry(ChartArea(), fontMetrics(), series_.hasVolume);
}

int PriceChart::RowAt(const QPoint& point) const {
  return series_.RowOfIndex(Geometry().IndexAt(range_, point.x()));
}

QString PriceChart::SplitTextAt(const QPoint& point) const {
  const ChartGeometry geometry = Geometry();
  const double half = geometry.MarkerSize();
  for (const ChartSplitMark& mark : series_.splits) {
    const double x = geometry.XOf(range_, mark.index - 0.5);
    if (std::abs(point.x() - x) <= half && point.y() <= geometry.Plot().top() + half) {
      return QString::fromStdString(mark.text);
    }
  }
  return {};
}

QSize PriceChart::sizeHint() const {
  return {fontMetrics().averageCharWidth() * 80, fontMetrics().height() * 14};
}

QSize PriceChart::minimumSizeHint() const {
  return {fontMetrics().averageCharWidth() * 30, fontMetrics().height() * 6};
}

bool PriceChart::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = SplitTextAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

void PriceChart::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  PaintChart(painter, ChartArea(), palette(), font(), {&series_, range_, currentIndex_});
}

void PriceChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = true;
  dragging_ = false;
  pressAt_ = event->position().toPoint();
  pressFirst_ = range_.First();
}

void PriceChart::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (!pressed_) {
    ReadOut(at);
    return;
  }
  if (!dragging_ && (at - pressAt_).manhattanLength() < QApplication::startDragDistance()) return;
  dragging_ = true;
  setCursor(Qt::ClosedHandCursor);
  // The quote under the pointer stays under it while dragging.
  const double moved = (pressAt_.x() - at.x()) / static_cast<double>(Geometry().Plot().width());
  range_.MoveTo(pressFirst_ + moved * range_.Span());
  update();
}

void PriceChart::ReadOut(const QPoint& at) {
  const ChartGeometry geometry = Geometry();
  const int index = geometry.Plot().contains(at) ? geometry.IndexAt(range_, at.x()) : -1;
  if (index == pointedIndex_) return;
  pointedIndex_ = index;
  Q_EMIT pointedAt(index < 0
                       ? QString()
                       : QString::fromStdString(QuoteReadout(
                             series_.quotes[static_cast<std::size_t>(index)], series_.hasTime)));
}

void PriceChart::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (pointedIndex_ < 0) return;
  pointedIndex_ = -1;
  Q_EMIT pointedAt(QString());
}

void PriceChart::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(event);
  pressed_ = false;
  unsetCursor();
  if (dragging_) return;
  const int row = RowAt(event->position().toPoint());
  if (row >= 0) Q_EMIT rowClicked(row);
}

void PriceChart::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  const int row = RowAt(event->position().toPoint());
  if (row >= 0) Q_EMIT rowActivated(row);
}

void PriceChart::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  if (delta == 0 || series_.Count() == 0) return event->ignore();
  const double anchor = Geometry().FractionAt(event->position().toPoint().x());
  range_.ZoomAround(std::clamp(anchor, 0.0, 1.0),
                    std::pow(kZoomPerNotch, static_cast<double>(delta) / kWheelNotch));
  update();
  event->accept();
}

void PriceChart::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Home) return QWidget::keyPressEvent(event);
  range_ = ChartRange::Whole(series_.Count());
  update();
}

}  // namespace voltrim
