#pragma once

#include <QFont>
#include <QPalette>
#include <QRect>

#include "chart/chart_range.h"
#include "chart/chart_series.h"

class QPainter;

namespace voltrim {

// Everything one picture of the chart depends on.
struct ChartPicture {
  const ChartSeries* series = nullptr;
  ChartRange range;
  int currentIndex = -1;  // the quote marked as the grid's current row, -1 none
};

// Draws the chart into area with the given palette and font: the close as a line (or
// open-high-low-close bars when the quotes are far enough apart), volume bars below, the
// price scale, dates, split markers and the current quote. The work grows with the width,
// not with the number of quotes.
void PaintChart(QPainter& painter, const QRect& area, const QPalette& palette, const QFont& font,
                const ChartPicture& picture);

}  // namespace voltrim
