#include "series_arrays.h"

#include <algorithm>
#include <limits>

#include "frame_text.h"

namespace voltrim::python {

const std::array<const char*, kValueColumns> kValueColumnNames = {"open",  "high",   "low",
                                                                  "close", "volume", "openint"};

namespace {

// Read a window at a time so that no second copy of a long series sits in memory.
constexpr int kWindow = 8192;

// Days from 1 January 1970 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int era = (year >= 0 ? year : year - 399) / 400;
  const auto yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy =
      static_cast<unsigned>((153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1);
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace

std::int64_t StampOf(float storedDate, PackedTime time) {
  if (!(storedDate >= 0.0f && storedDate < 16777216.0f)) return kNotATime;
  const auto whole = static_cast<int>(storedDate);
  if (static_cast<float>(whole) != storedDate) return kNotATime;
  const int year = whole / 10000 + 1900;
  const int month = whole / 100 % 100;
  const int day = whole % 100;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return kNotATime;
  const Hms hms = UnpackTime(time);
  const std::int64_t seconds =
      DaysFromCivil(year, month, day) * 86400 + hms.hours * 3600 + hms.minutes * 60 + hms.seconds;
  return seconds * kNanosPerSecond;
}

Status ReadSeriesArrays(SeriesReader& reader, const ColumnLayout& layout, const SeriesArrays& out) {
  const int total = reader.Total();
  SeriesBuffer window(std::min(total, kWindow));
  const bool timed = layout.Has(Field::Time);
  for (int first = 0; first < total; first += kWindow) {
    const int count = std::min(kWindow, total - first);
    if (reader.Read(window, first, count) != kOk || window.Count() != count) return kFileRead;
    const SeriesBuffer::Column dates = window.ValueColumn(Field::Date);
    std::int64_t* stamps = out.stamps + first;
    for (int i = 0; i < count; ++i) stamps[i] = StampOf(dates[i], timed ? window.TimeAt(i) : 0);
    for (int c = 0; c < kValueColumns; ++c) {
      float* values = out.values[static_cast<std::size_t>(c)];
      if (values == nullptr) continue;
      values += first;
      const Field field = kValueFields[static_cast<std::size_t>(c)];
      if (!layout.Has(field)) {
        std::fill(values, values + count, std::numeric_limits<float>::quiet_NaN());
        continue;
      }
      const SeriesBuffer::Column column = window.ValueColumn(field);
      for (int i = 0; i < count; ++i) values[i] = column[i];
    }
  }
  return kOk;
}

}  // namespace voltrim::python
