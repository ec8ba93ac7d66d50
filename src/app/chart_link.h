#pragma once

#include <functional>

class QAction;
class QWidget;

namespace voltrim {

class BrowserView;
class PriceChart;
class SettingsStore;

// The chart below the browser's quotes grid, the boundary between them movable; returns
// the window's central widget.
QWidget* StackAboveChart(BrowserView* view, PriceChart* chart);

// Keeps the chart on the grid's quotes and current row; a click on the chart selects its
// quote in the grid, a double-click also runs editQuote.
void LinkChartToView(PriceChart& chart, BrowserView& view, std::function<void()> editQuote);

// Makes action (View > Chart) a check item that shows and hides the chart, starting from
// and remembering the stored choice; returns the command's handler.
std::function<void()> ChartToggle(QAction& action, QWidget& chart, SettingsStore& settings);

}  // namespace voltrim
