#pragma once

#include <QWidget>

#include "chart/chart_range.h"
#include "chart/chart_series.h"

namespace voltrim {

class ChartGeometry;

// The chart of the loaded series. Rows are the quotes grid's rows (newest first); the
// chart turns them round itself. The wheel zooms around the pointer, dragging pans,
// Home shows the whole series.
class PriceChart : public QWidget {
  Q_OBJECT
 public:
  explicit PriceChart(QWidget* parent = nullptr);
  ~PriceChart() override;

  // The quotes of the grid. The view is kept when the same series comes back (after a
  // write), and shows the whole series otherwise.
  void SetQuotes(const QuoteTable& table, const std::string& seriesKey);
  // Marks the grid's current row, bringing it into view when it lies outside.
  void SetCurrentRow(int row);
  int CurrentRow() const { return series_.RowOfIndex(currentIndex_); }

  const ChartSeries& Series() const { return series_; }
  const ChartRange& Range() const { return range_; }
  // Where the chart is drawn inside the widget.
  QRect ChartArea() const;
  ChartGeometry Geometry() const;
  // The grid row of the quote nearest to a point, or -1 for an empty chart.
  int RowAt(const QPoint& point) const;
  // The split marker's text under a point, or empty.
  QString SplitTextAt(const QPoint& point) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 Q_SIGNALS:
  // A click chose this row's quote.
  void rowClicked(int row);
  // A double-click on this row's quote (its first click came as rowClicked).
  void rowActivated(int row);
  // The pointer rests over this quote's readout (QuoteReadout); empty when it left.
  void pointedAt(const QString& readout);

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  ChartSeries series_;
  std::string seriesKey_;  // of the last series with quotes
  ChartRange range_;       // always over series_
  ChartRange keptRange_;   // the last view of seriesKey_ with quotes
  int currentIndex_ = -1;
  QPoint pressAt_;
  double pressFirst_ = 0.0;
  bool pressed_ = false;
  bool dragging_ = false;
  int pointedIndex_ = -1;  // the quote read out under the pointer

  void ReadOut(const QPoint& at);
};

}  // namespace voltrim
