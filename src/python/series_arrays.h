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

// Reads every quote of the open series into out, from index 0 on, in stored order: the
// stored singles exactly. kFileRead when the series cannot be read whole.
Status ReadSeriesArrays(SeriesReader& reader, const ColumnLayout& layout, const SeriesArrays& out);

}  // namespace voltrim::python
