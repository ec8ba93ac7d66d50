#include "chart/chart_range.h"

#include <algorithm>
#include <cmath>

namespace voltrim {

ChartRange ChartRange::Whole(int count) {
  ChartRange range;
  range.count_ = std::max(count, 0);
  range.span_ = range.MaxSpan();
  return range;
}

int ChartRange::IndexAt(double fraction) const {
  if (count_ <= 0) return -1;
  const double position = std::floor(first_ + fraction * span_);
  return static_cast<int>(std::clamp(position, 0.0, static_cast<double>(count_ - 1)));
}

int ChartRange::FirstShown() const {
  return std::clamp(static_cast<int>(std::floor(first_)), 0, count_);
}

int ChartRange::EndShown() const {
  return std::clamp(static_cast<int>(std::ceil(first_ + span_)), 0, count_);
}

void ChartRange::ZoomAround(double anchor, double factor) {
  if (count_ <= 0 || !(factor > 0.0)) return;
  const double position = first_ + anchor * span_;
  span_ = std::clamp(span_ * factor, std::min(kMinSpan, MaxSpan()), MaxSpan());
  first_ = position - anchor * span_;
  Clamp();
}

void ChartRange::PanBy(double fraction) {
  first_ += fraction * span_;
  Clamp();
}

void ChartRange::MoveTo(double first) {
  first_ = first;
  Clamp();
}

void ChartRange::EnsureShown(int index) {
  if (index < 0 || index >= count_) return;
  if (index >= first_ && index + 1 <= first_ + span_) return;
  first_ = index + 0.5 - span_ / 2.0;
  Clamp();
}

void ChartRange::Resize(int count) {
  const bool whole = IsWhole();
  count_ = std::max(count, 0);
  if (whole) {
    *this = Whole(count_);
    return;
  }
  span_ = std::clamp(span_, std::min(kMinSpan, MaxSpan()), MaxSpan());
  Clamp();
}

void ChartRange::Clamp() { first_ = std::clamp(first_, 0.0, MaxSpan() - span_); }

}  // namespace voltrim
