#pragma once

namespace voltrim {

// The part of a series the chart shows, in quote positions: quote i occupies
// [i, i + 1) and is drawn at its middle. Positions across the plot are given as a
// fraction of its width (0 the left edge, 1 the right edge).
class ChartRange {
 public:
  // Fewer quotes than this are never spread over the whole plot.
  static constexpr double kMinSpan = 8.0;

  ChartRange() = default;
  static ChartRange Whole(int count);

  double First() const { return first_; }
  double Span() const { return span_; }
  int Count() const { return count_; }
  bool IsWhole() const { return first_ <= 0.0 && span_ >= MaxSpan(); }

  // The quote at a fraction of the plot's width, the nearest one outside it; -1 when empty.
  int IndexAt(double fraction) const;
  // Where quote index is drawn, as a fraction of the width (outside 0..1 when not shown).
  double FractionOf(double index) const { return (index + 0.5 - first_) / span_; }
  // First and one past the last quote with any part inside the plot.
  int FirstShown() const;
  int EndShown() const;

  // Scales the span by factor (below 1 zooms in), keeping the quote under anchor in place.
  void ZoomAround(double anchor, double factor);
  // Moves the shown part by a share of the width (positive: towards later quotes).
  void PanBy(double fraction);
  // Starts the shown part at position first, kept within the series.
  void MoveTo(double first);
  // Centres index when it lies outside the shown part.
  void EnsureShown(int index);
  // The same view over a series of a new length, kept within it; the whole series stays whole.
  void Resize(int count);

 private:
  double MaxSpan() const { return count_ > 0 ? count_ : 1.0; }
  void Clamp();

  int count_ = 0;
  double first_ = 0.0;
  double span_ = 1.0;
};

}  // namespace voltrim
