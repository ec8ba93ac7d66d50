#include "datafiles/format/intraday.h"

namespace voltrim {

namespace {

std::string Counted(int count, const char* unit) {
  return std::to_string(count) + " " + unit + (count == 1 ? "" : "s");
}

}  // namespace

void IntradayProfile::Add(const BarKey& bar) {
  if (any_ && bar.day == last_.day) {
    ++dayBars_;
    const int step = static_cast<int>(bar.time) - static_cast<int>(last_.time);
    if (step > 0) ++steps_[step];
  } else {
    if (any_) firstDayDone_ = true;
    dayBars_ = 1;
  }
  if (!firstDayDone_) firstDayBars_ = dayBars_;
  if (dayBars_ > mostDayBars_) mostDayBars_ = dayBars_;
  any_ = true;
  last_ = bar;
}

int IntradayProfile::TimeFrameSeconds() const {
  int best = 0;
  int seen = 0;
  for (const auto& [step, count] : steps_) {
    if (count > seen) {
      best = step;
      seen = count;
    }
  }
  return best;
}

std::string TimeFrameText(int seconds) {
  if (seconds <= 0) return "none";
  if (seconds % 3600 == 0) return Counted(seconds / 3600, "hour");
  if (seconds % 60 == 0) return Counted(seconds / 60, "minute");
  return Counted(seconds, "second");
}

}  // namespace voltrim
