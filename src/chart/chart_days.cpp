#include "chart/chart_days.h"

#include <algorithm>
#include <array>

#include "chart/chart_axis.h"

namespace voltrim {

namespace {

constexpr double kLabelRoom = 1.6;        // a label's share of the width it needs, gaps included
constexpr double kMinPixelsPerDay = 4.0;  // closer day lines would be a grey band
constexpr std::array<int, 8> kTimeSteps = {300, 600, 900, 1800, 3600, 7200, 10800, 21600};

}  // namespace

std::vector<DayAxisMark> DayAxisMarks(const ChartSeries& series, const ChartRange& range,
                                      int plotWidth, double dateWidth, double timeWidth) {
  std::vector<DayAxisMark> marks;
  const std::vector<int>& starts = series.dayStarts;
  const int firstShown = range.FirstShown();
  const int endShown = std::min(range.EndShown(), series.Count());
  if (starts.empty() || endShown <= firstShown || plotWidth <= 0) return marks;
  const double perQuote = plotWidth / range.Span();
  const auto x = [&](double index) { return range.FractionOf(index) * plotWidth; };

  // The days with a bar in view, from the one holding the first bar shown.
  const auto firstDay = std::upper_bound(starts.begin(), starts.end(), firstShown) - 1;
  const auto endDay = std::lower_bound(starts.begin(), starts.end(), endShown);
  const double days = static_cast<double>(endDay - firstDay);
  const double perDay = perQuote * (endShown - firstShown) / days;
  const int dayStep = DateLabelStep(perDay, dateWidth * kLabelRoom);

  // Time labels at the smallest round step that leaves room for each label.
  const int frame = series.timeFrameSeconds > 0 ? series.timeFrameSeconds : 60;
  int timeStep = 0;
  if (dayStep == 1) {
    for (const int step : kTimeSteps) {
      if (step >= frame && perQuote * step / frame >= timeWidth * kLabelRoom) {
        timeStep = step;
        break;
      }
    }
  }

  double dateFree = -1e9;  // where the next date label may begin (short days crowd them)
  if (dayStep == 1 && *firstDay < firstShown) {
    marks.push_back({firstShown, false, true, true});
    dateFree = dateWidth * kLabelRoom;
  }
  for (auto day = firstDay; day != endDay; ++day) {
    const int start = *day;
    const int end = day + 1 != starts.end() ? *(day + 1) : series.Count();
    const auto ordinal = day - starts.begin();
    const bool labelled = ordinal % dayStep == 0 && x(start - 0.5) >= dateFree;
    if (start >= firstShown && (labelled || perDay >= kMinPixelsPerDay)) {
      marks.push_back({start, true, labelled});
      if (labelled) dateFree = x(start - 0.5) + dateWidth * kLabelRoom;
    }
    if (timeStep == 0) continue;
    // Clear of this day's date label and of the next day's line, and within the plot.
    double free =
        start >= firstShown ? x(start - 0.5) + dateWidth * kLabelRoom : std::max(dateFree, 0.0);
    const double limit = std::min(x(end - 0.5) - timeWidth, static_cast<double>(plotWidth));
    for (int i = std::max(start + 1, firstShown); i < std::min(end, endShown); ++i) {
      const std::size_t at = static_cast<std::size_t>(i);
      const int now = static_cast<int>(series.quotes[at].time) / timeStep;
      if (now == static_cast<int>(series.quotes[at - 1].time) / timeStep) continue;
      const double left = x(i) - timeWidth / 2;
      if (left < free || x(i) + timeWidth / 2 > limit) continue;
      marks.push_back({i, false, true});
      free = x(i) + timeWidth * kLabelRoom / 2;
    }
  }
  return marks;
}

}  // namespace voltrim
