#pragma once

#include <string>
#include <vector>

namespace voltrim {

// Round values between low and high for the price scale, at most about maxCount of them,
// with the step between them.
struct AxisTicks {
  std::vector<double> values;
  double step = 0.0;
};
AxisTicks NiceTicks(double low, double high, int maxCount);

// A tick's text with as many decimals as the step needs ("12.5", "1200").
std::string TickText(double value, double step);

// A count with its thousands grouped: "315,000" (rounded to a whole number).
std::string GroupedCountText(double value);

// Every how many quotes a date label fits when a quote is pixelsPerQuote wide and a label
// needs labelWidth pixels: 1, 2 or 5 times a power of ten.
int DateLabelStep(double pixelsPerQuote, double labelWidth);

}  // namespace voltrim
