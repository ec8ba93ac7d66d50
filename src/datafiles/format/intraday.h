#pragma once

#include <compare>
#include <map>
#include <string>

#include "datafiles/format/encodings.h"

namespace voltrim {

// The date and time of one bar of a series with a time of day; bars are ordered by both.
struct BarKey {
  DayNumber day = 0;
  PackedTime time = 0;
  auto operator<=>(const BarKey&) const = default;
};

// What the bars of a series with a time of day say about it, bars given oldest first:
// how many fall on the first day, the last day and the busiest day, and the most common
// step from one bar to the next within a day (its time frame).
class IntradayProfile {
 public:
  void Add(const BarKey& bar);

  int FirstDayBars() const { return firstDayBars_; }
  int LastDayBars() const { return dayBars_; }
  int MostDayBars() const { return mostDayBars_; }
  // In seconds; 0 when no day has two bars.
  int TimeFrameSeconds() const;

 private:
  bool any_ = false;
  bool firstDayDone_ = false;
  BarKey last_;
  int dayBars_ = 0;
  int firstDayBars_ = 0;
  int mostDayBars_ = 0;
  std::map<int, int> steps_;  // seconds -> how often
};

// "5 minutes", "1 minute", "1 hour", "90 seconds"; "none" for 0.
std::string TimeFrameText(int seconds);

}  // namespace voltrim
