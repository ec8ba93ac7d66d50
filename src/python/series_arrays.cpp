#include "series_arrays.h"

#include <algorithm>
#include <limits>

#include "frame_text.h"

namespace voltrim::python {

const std::array<const char*, kValueColumns> kValueColumnNames = {"open",  "high",   "low",
                                                                  "close", "volume", "openint"};

namespace {

// The most quotes a buffer holds: a whole series in one read.
constexpr int kWindow = 32767;
constexpr int kBlock = 1024;
constexpr std::int64_t kNanosPerDay = 86400 * kNanosPerSecond;

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
  StampCalendar calendar;
  return calendar.Stamp(storedDate, time);
}

std::int64_t StampCalendar::Stamp(float storedDate, PackedTime time) {
  const std::int64_t timeOfDay = time != 0 ? TimeOfDay(time) : 0;
  // Quotes come in runs of one month: a date of the month last seen is a subtraction away.
  if (storedDate >= monthFirst_ && storedDate <= monthLast_) {
    const auto whole = static_cast<int>(storedDate);
    if (static_cast<float>(whole) == storedDate)
      return monthStart_ + (whole - static_cast<int>(monthFirst_)) * kNanosPerDay + timeOfDay;
  }
  if (!(storedDate >= 0.0f && storedDate < 16777216.0f)) return kNotATime;
  const auto whole = static_cast<int>(storedDate);
  if (static_cast<float>(whole) != storedDate) return kNotATime;
  const int yearMonth = whole / 100;
  const int year = yearMonth / 100 + 1900;
  const int month = yearMonth % 100;
  if (month < 1 || month > 12) return kNotATime;
  monthFirst_ = static_cast<float>(yearMonth * 100 + 1);
  monthLast_ = static_cast<float>(yearMonth * 100 + DaysInMonth(year, month));
  monthStart_ = DaysFromCivil(year, month, 1) * kNanosPerDay;
  return storedDate <= monthLast_ && storedDate >= monthFirst_
             ? monthStart_ + (whole - static_cast<int>(monthFirst_)) * kNanosPerDay + timeOfDay
             : kNotATime;
}

std::int64_t StampCalendar::TimeOfDay(PackedTime time) {
  return static_cast<std::int64_t>(time) * kNanosPerSecond;  // time: seconds since midnight
}

namespace {

void ConvertBlock(const SeriesBuffer& window, const ColumnLayout& layout, StampCalendar& calendar,
                  int from, int to, int first, const SeriesArrays& out) {
  const SeriesBuffer::Column dates = window.ValueColumn(Field::Date);
  std::int64_t* stamps = out.stamps + first;
  if (layout.Has(Field::Time)) {
    for (int i = from; i < to; ++i) stamps[i] = calendar.Stamp(dates[i], window.TimeAt(i));
  } else {
    for (int i = from; i < to; ++i) stamps[i] = calendar.Stamp(dates[i], 0);
  }
  for (int c = 0; c < kValueColumns; ++c) {
    float* values = out.values[static_cast<std::size_t>(c)];
    if (values == nullptr) continue;
    values += first;
    const Field field = kValueFields[static_cast<std::size_t>(c)];
    if (!layout.Has(field)) {
      std::fill(values + from, values + to, std::numeric_limits<float>::quiet_NaN());
      continue;
    }
    const SeriesBuffer::Column column = window.ValueColumn(field);
    for (int i = from; i < to; ++i) values[i] = column[i];
  }
}

}  // namespace

Status ReadSeriesArrays(SeriesReader& reader, const ColumnLayout& layout, const SeriesArrays& out) {
  const int total = reader.Total();
  // Kept from read to read: a fresh buffer of a long series costs as much as reading it.
  thread_local SeriesBuffer window(kWindow);
  StampCalendar calendar;
  for (int first = 0; first < total; first += kWindow) {
    const int count = std::min(kWindow, total - first);
    if (reader.Read(window, first, count) != kOk || window.Count() != count) return kFileRead;
    // Block by block, so that each column's pass finds the block's rows still in the cache.
    for (int from = 0; from < count; from += kBlock) {
      const int to = std::min(count, from + kBlock);
      ConvertBlock(window, layout, calendar, from, to, first, out);
    }
  }
  return kOk;
}

}  // namespace voltrim::python
