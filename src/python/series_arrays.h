#pragma once

#include <array>
#include <cstdint>

#include "datafiles/format/series.h"

namespace voltrim::python {

// The value fields in the order of a frame's columns: open, high, low, close, volume, openint.
inline constexpr int kValueColumns = 6;
extern const std::array<const char*, kValueColumns> kValueColumnNames;

// Where the quotes of a series go: one timestamp (nanoseconds since 1970, as numpy's
// datetime64[ns]) and one single per value column for each quote. A column left null is
// not read; one the series lacks is filled with NaN.
struct SeriesArrays {
  std::int64_t* stamps = nullptr;
  std::array<float*, kValueColumns> values{};
};

// The stored date (YYYMMDD) and time of a bar as a timestamp; pandas' NaT for a date that
// is no day of the calendar.
std::int64_t StampOf(float storedDate, PackedTime time);

// The same for the bars of a series one after another, quicker where they share a month.
class StampCalendar {
 public:
  std::int64_t Stamp(float storedDate, PackedTime time);

 private:
  static std::int64_t TimeOfDay(PackedTime time);

  // The stored dates of the first and last day of the month last seen (none at first),
  // and its first day's timestamp.
  float monthFirst_ = 1.0f;
  float monthLast_ = 0.0f;
  std::int64_t monthStart_ = 0;
};

// Reads every quote of the open series into out, from index 0 on, in stored order: the
// stored singles exactly. kFileRead when the series cannot be read whole.
Status ReadSeriesArrays(SeriesReader& reader, const ColumnLayout& layout, const SeriesArrays& out);

}  // namespace voltrim::python
