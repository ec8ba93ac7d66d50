#include "chart/chart_axis.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace voltrim {
namespace {

// Digits with a point whatever the locale (printf would take a decimal comma from it).
std::string FixedText(double value, int decimals) {
  char text[352];  // the largest double has 309 integer digits
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return std::string(text, result.ec == std::errc{} ? result.ptr : text);
}

// The smallest of 1, 2, 5 times a power of ten that is at least raw.
double NiceStep(double raw) {
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double multiple : {1.0, 2.0, 5.0, 10.0}) {
    if (multiple * power >= raw * (1.0 - 1e-9)) return multiple * power;
  }
  return 10.0 * power;
}

}  // namespace

AxisTicks NiceTicks(double low, double high, int maxCount) {
  AxisTicks ticks;
  if (!(high > low) || maxCount < 1 || !std::isfinite(high - low)) return ticks;
  ticks.step = NiceStep((high - low) / maxCount);
  for (double v = std::ceil(low / ticks.step) * ticks.step; v <= high + ticks.step * 1e-9;
       v += ticks.step) {
    ticks.values.push_back(std::fabs(v) < ticks.step * 1e-9 ? 0.0 : v);
  }
  return ticks;
}

std::string TickText(double value, double step) {
  const int decimals =
      step > 0.0 ? std::clamp(-static_cast<int>(std::floor(std::log10(step) + 1e-9)), 0, 6) : 2;
  return FixedText(value, decimals);
}

std::string GroupedCountText(double value) {
  const std::string plain = FixedText(value, 0);
  const std::size_t sign = !plain.empty() && plain.front() == '-' ? 1 : 0;
  std::string grouped = plain.substr(0, sign);
  const std::size_t length = plain.size() - sign;
  for (std::size_t i = 0; i < length; ++i) {
    if (i > 0 && (length - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(plain[sign + i]);
  }
  return grouped;
}

int DateLabelStep(double pixelsPerQuote, double labelWidth) {
  if (!(pixelsPerQuote > 0.0)) return 1;
  const double raw = std::max(labelWidth / pixelsPerQuote, 1.0);
  return static_cast<int>(std::min(NiceStep(raw), 1e9));
}

}  // namespace voltrim
