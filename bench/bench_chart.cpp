// Drawing the chart of the longest series the browser holds into an offscreen image,
// against filling the quotes grid with the same series in the same process. The first
// picture follows the fill, so its cost is best read as a share of the fill's.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <string>
#include <vector>

#include "bench_common.h"
#include "browser/browser.h"
#include "chart/chart_series.h"
#include "chart/ui/chart_painter.h"
#include "settings/settings_store.h"

namespace {

using namespace voltrim;

constexpr int kQuotes = 32766;

struct Fixture {
  Fixture() {
    bench::WriteOneDailySeries(drive, "LONG", bench::LongDailyQuotes(kQuotes));
    settings.OpenRoot(root.str() + "/Voltrim.conf");
    settings.SetInt("Search", "Limit", 0);
    browser.ChooseInitialDrive();
  }

  bench::ScratchFolder root{"voltrim-bench-chart"};
  std::string drive = root.str() + "/drive";
  SettingsStore settings;
  bench::BenchPrompt prompt;
  Browser browser{settings, prompt,
                  BrowserPlatform{[this] { return std::vector<std::string>{drive}; },
                                  [this] { return drive; }}};
};

Fixture& TheFixture() {
  static Fixture fixture;
  return fixture;
}

void BM_FillQuotesGrid(benchmark::State& state) {
  Fixture& f = TheFixture();
  for (auto _ : state) {
    f.browser.FillQuotesGrid(0);
    if (f.browser.State().quotes.RowCount() != kQuotes) {
      state.SkipWithError("fill incomplete");
      break;
    }
  }
}

// What the chart does after a fill: take the quotes (with the split marks) and draw the
// whole series once, the size of a chart pane on a large screen.
void BM_FirstChartPicture(benchmark::State& state) {
  Fixture& f = TheFixture();
  QImage image(1600, 400, QImage::Format_ARGB32_Premultiplied);
  const QPalette palette;
  const QFont font;
  for (auto _ : state) {
    const ChartSeries series = ChartSeriesOf(f.browser.State().quotes);
    QPainter painter(&image);
    PaintChart(painter, image.rect(), palette, font,
               {&series, ChartRange::Whole(series.Count()), 0});
  }
}

// A repaint while panning or zooming: the series is already taken.
void BM_RepaintZoomed(benchmark::State& state) {
  Fixture& f = TheFixture();
  QImage image(1600, 400, QImage::Format_ARGB32_Premultiplied);
  const QPalette palette;
  const QFont font;
  const ChartSeries series = ChartSeriesOf(f.browser.State().quotes);
  ChartRange range = ChartRange::Whole(series.Count());
  range.ZoomAround(0.5, 0.3);
  for (auto _ : state) {
    QPainter painter(&image);
    PaintChart(painter, image.rect(), palette, font, {&series, range, 0});
  }
}

BENCHMARK(BM_FillQuotesGrid)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstChartPicture)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepaintZoomed)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Text needs fonts, and fonts a GUI application; no window is ever shown.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return bench::RunWithRatios(
      argc, argv,
      {{"first chart picture / quotes fill", "BM_FirstChartPicture", "BM_FillQuotesGrid"},
       {"zoomed repaint / quotes fill", "BM_RepaintZoomed", "BM_FillQuotesGrid"}});
}
