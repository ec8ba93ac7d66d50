#include "app/chart_link.h"

#include <QAction>

#include "browser/ui/browser_view.h"
#include "browser/ui/grid_view.h"
#include "chart/chart_settings.h"
#include "chart/ui/price_chart.h"

namespace voltrim {

QWidget* StackAboveChart(BrowserView* view, PriceChart* chart) {
  view->AddBelowQuotes(chart);
  return view;
}

void LinkChartToView(PriceChart& chart, BrowserView& view, std::function<void()> editQuote) {
  GridView* grid = view.QuotesGrid();
  view.WatchWithQuotes(&chart);
  QObject::connect(&view, &BrowserView::quotesChanged, &chart, [&chart, &view] {
    const BrowserState& state = view.State();
    chart.SetQuotes(state.quotes, state.portfolioDir + '/' + state.quotes.loadedSymbol);
  });
  QObject::connect(grid, &GridView::rowSelected, &chart, &PriceChart::SetCurrentRow);
  QObject::connect(&chart, &PriceChart::rowClicked, grid,
                   [grid](int row) { grid->SelectRow(row, true); });
  QObject::connect(&chart, &PriceChart::rowActivated, grid,
                   [grid, edit = std::move(editQuote)](int row) {
                     grid->SelectRow(row, true);
                     if (edit) edit();
                   });
}

std::function<void()> ChartToggle(QAction& action, QWidget& chart, SettingsStore& settings) {
  const bool shown = LoadChartShown(settings);
  action.setCheckable(true);
  action.setChecked(shown);
  chart.setVisible(shown);
  return [&action, &chart, &settings] {
    chart.setVisible(action.isChecked());
    SaveChartShown(settings, action.isChecked());
  };
}

}  // namespace voltrim
