#include "datafiles/format/encodings.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace voltrim {

namespace {

// Days before the first of each month in a common year.
constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

struct SplitNumber {
  int high = 0;
  int middle = 0;
  int low = 0;
};

// Splits a YYYMMDD or HHMMSS value into its three groups, truncating toward zero. Values
// far outside any date or time give zeros so that no conversion overflows.
SplitNumber SplitGroups(float value) {
  // Whole numbers, which every stored date and time is, split exactly in integers.
  if (value >= 0.0f && value < 16777216.0f) {
    const auto whole = static_cast<int>(value);
    if (static_cast<float>(whole) == value)
      return {whole / 10000, whole % 10000 / 100, whole % 100};
  }
  const double v = value;
  if (!std::isfinite(v) || std::fabs(v) >= 1.0e9) return {};
  const double a = std::trunc(v / 10000.0);
  const double b = std::trunc((v - a * 10000.0) / 100.0);
  const double c = std::trunc(v - a * 10000.0 - b * 100.0);
  return {static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)};
}

struct TextLayout {
  int centuryAt;  // -1: the layout has no century
  int yearAt;
  int monthAt;
  int dayAt;
};

// Read positions of the twelve layouts, by code - 1.
constexpr TextLayout kLayouts[12] = {
    {-1, 0, 3, 6}, {0, 2, 5, 8}, {-1, 6, 0, 3}, {6, 8, 0, 3}, {-1, 6, 3, 0}, {6, 8, 3, 0},
    {-1, 0, 2, 4}, {0, 2, 4, 6}, {-1, 4, 0, 2}, {4, 6, 0, 2}, {-1, 4, 2, 0}, {4, 6, 2, 0},
};

// A two-character group read like atoi: optional blanks and sign, then digits.
int ReadGroup(std::string_view group) {
  std::size_t i = 0;
  while (i < group.size() && group[i] == ' ') ++i;
  bool negative = false;
  if (i < group.size() && (group[i] == '-' || group[i] == '+')) negative = group[i++] == '-';
  int value = 0;
  while (i < group.size() && group[i] >= '0' && group[i] <= '9')
    value = value * 10 + (group[i++] - '0');
  return negative ? -value : value;
}

}  // namespace

// A whole window of quotes goes through here at every read: where the processor has the
// wider vector unit, the same loop runs twice as many numbers a step.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VOLTRIM_WIDE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VOLTRIM_WIDE_VECTOR_CLONES
#endif

VOLTRIM_WIDE_VECTOR_CLONES void MbfToIeeeInPlace(std::uint8_t* numbers, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    std::uint8_t* at = numbers + 4 * i;
    const std::uint32_t ieee = MbfWordToIeeeBits(LoadLittleEndian32(at));
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(at, &ieee, 4);
    } else {
      for (int b = 0; b < 4; ++b) at[b] = static_cast<std::uint8_t>(ieee >> (8 * b));
    }
  }
}

MbfBytes IeeeToMbf(float value) {
  MbfBytes out{};
  IeeeToMbf(value, out.data());
  return out;
}

DayNumber YmdToDay(int year, int month, int day) {
  if (month < 1 || month > 12) return 0;  // no table entry: not a date
  if (year > 1900) year -= 1900;
  std::int64_t d = day + kMonthStart[month - 1] + (static_cast<std::int64_t>(year) - 61) * 1461 / 4;
  // The leap day counts only from 1961 on, so that 31 December 1960 is 0 ("no date")
  // rather than a second day 1.
  if (month > 2 && year % 4 == 0 && year >= 61) ++d;
  return static_cast<DayNumber>(static_cast<std::uint64_t>(d) & 0xFFFFu);
}

Ymd DayToYmd(DayNumber day) {
  if (day == 0) return {};
  const int n = day;
  const int c = (4 * n - 1) / 1461;
  const int r = n - (c * 1461) / 4;
  Ymd result;
  result.year = c + 61;
  const bool leap = result.year % 4 == 0;
  int m = 0;
  for (int i = 11; i >= 0; --i) {
    const int start = kMonthStart[i] + (leap && i >= 2 ? 1 : 0);
    if (start < r) {
      m = i;
      result.day = r - start;
      break;
    }
  }
  result.month = m + 1;
  return result;
}

// Day number of day 0 of every month of the years 0-255 since 1900, so that converting a
// stored date (done for every quote shown) is a table look-up and an addition.
constexpr int kTableYears = 256;
struct MonthBases {
  std::array<std::uint16_t, kTableYears * 12> day0{};
  constexpr MonthBases() {
    for (int year = 0; year < kTableYears; ++year)
      for (int month = 1; month <= 12; ++month) {
        int d = kMonthStart[month - 1] + (year - 61) * 1461 / 4;
        if (month > 2 && year % 4 == 0 && year >= 61) ++d;
        day0[static_cast<std::size_t>(year * 12 + month - 1)] =
            static_cast<std::uint16_t>(static_cast<unsigned>(d) & 0xFFFFu);
      }
  }
};
constexpr MonthBases kMonthBases;

namespace {

// A whole date of the table's years: its month's YYYMM00 and the day number of its day 0.
struct TableMonth {
  bool found = false;  // false outside the table: the general conversion decides
  bool valid = false;  // false for a month outside 1..12
  int base = 0;
  unsigned day0 = 0;
};

TableMonth MonthOf(float dateFloat) {
  TableMonth result;
  if (!(dateFloat >= 0.0f && dateFloat < 16777216.0f)) return result;
  const auto whole = static_cast<int>(dateFloat);
  if (static_cast<float>(whole) != dateFloat) return result;
  const int yearMonth = whole / 100;
  const int year = yearMonth / 100;
  const int month = yearMonth - year * 100;
  if (year >= kTableYears) return result;
  result.found = true;
  if (month < 1 || month > 12) return result;
  result.valid = true;
  result.base = yearMonth * 100;
  result.day0 = kMonthBases.day0[static_cast<std::size_t>(year * 12 + month - 1)];
  return result;
}

DayNumber GeneralDateFloatToDay(float dateFloat) {
  const SplitNumber g = SplitGroups(dateFloat);
  return YmdToDay(g.high, g.middle, g.low);
}

// The day of dateFloat, its month looked up.
DayNumber DayInMonth(const TableMonth& month, float dateFloat) {
  if (!month.found) return GeneralDateFloatToDay(dateFloat);
  if (!month.valid) return 0;
  return static_cast<DayNumber>(month.day0 +
                                static_cast<unsigned>(static_cast<int>(dateFloat) - month.base));
}

}  // namespace

DayNumber DateFloatToDay(float dateFloat) { return DayInMonth(MonthOf(dateFloat), dateFloat); }

DayNumber DateFloatDays::OfAnotherMonth(float dateFloat) {
  const TableMonth month = MonthOf(dateFloat);
  if (month.valid) {
    monthBase_ = month.base;
    day0_ = month.day0;
  }
  return DayInMonth(month, dateFloat);
}

float DayToDateValue(DayNumber day) {
  if (day == 0) return 0.0f;
  const Ymd ymd = DayToYmd(day);
  return static_cast<float>(ymd.month * 100 + ymd.year * 10000 + ymd.day);
}

MbfBytes DayToDateFloat(DayNumber day) { return IeeeToMbf(DayToDateValue(day)); }

PackedTime TimeFloatToPacked(float timeFloat) {
  const SplitNumber g = SplitGroups(timeFloat);
  return PackTime(g.high, g.middle, g.low);
}

PackedTime PackTime(int hours, int minutes, int seconds) {
  // A damaged stored time may give any groups: they wrap rather than overflow.
  const std::int64_t packed =
      static_cast<std::int64_t>(hours) * 3600 + static_cast<std::int64_t>(minutes) * 60 + seconds;
  return static_cast<PackedTime>(static_cast<std::uint64_t>(packed) & 0xFFFFFFFFu);
}

Hms UnpackTime(PackedTime time) {
  const PackedTime rest = time % 3600;
  return {static_cast<int>(time / 3600), static_cast<int>(rest / 60), static_cast<int>(rest % 60)};
}

float PackedToTimeValue(PackedTime time) {
  const Hms hms = UnpackTime(time);
  return static_cast<float>(static_cast<std::int64_t>(hms.hours) * 10000 + hms.minutes * 100 +
                            hms.seconds);
}

DayNumber ParseDateText(std::string_view text, DateTextFormat code) {
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  if (start < text.size() && text[start] == '"') ++start;
  const std::string_view rest = text.substr(start);
  if (rest.empty() || code < 1 || code > 12) return 0;
  const TextLayout& layout = kLayouts[code - 1];
  const int needed = 2 + std::max({layout.centuryAt, layout.yearAt, layout.monthAt, layout.dayAt});
  if (rest.size() < static_cast<std::size_t>(needed)) return 0;  // too short to be a date
  auto group = [&](int at) { return ReadGroup(rest.substr(static_cast<std::size_t>(at), 2)); };
  const int year = group(layout.yearAt);
  const int month = group(layout.monthAt);
  const int day = group(layout.dayAt);
  int centuryOffset = layout.centuryAt < 0 ? 0 : group(layout.centuryAt) * 100 - 1900;
  if (year == 0 && month == 0 && day == 0) return 0;
  if (year < 60 && centuryOffset == 0) centuryOffset = 100;
  return YmdToDay(year + centuryOffset, month, day);
}

std::string FormatDateText(DayNumber day, DateTextFormat code, char separator) {
  if (code < 1 || code > 12) return {};
  int yy = 0, mm = 0, dd = 0, cc = 0;
  if (day != 0) {
    const Ymd ymd = DayToYmd(day);
    yy = ymd.year % 100;
    cc = ymd.year / 100 + 19;
    mm = ymd.month;
    dd = ymd.day;
  }
  const char s = separator;
  char text[32];
  switch (code) {
    case 1:
      std::snprintf(text, sizeof text, "%.2i%c%.2i%c%.2i", yy, s, mm, s, dd);
      break;
    case 2:
      std::snprintf(text, sizeof text, "%.2i%.2i%c%.2i%c%.2i", cc, yy, s, mm, s, dd);
      break;
    case 3:
      std::snprintf(text, sizeof text, "%.2i%c%.2i%c%.2i", mm, s, dd, s, yy);
      break;
    case 4:
      std::snprintf(text, sizeof text, "%.2i%c%.2i%c%.2i%.2i", mm, s, dd, s, cc, yy);
      break;
    case 5:
      std::snprintf(text, sizeof text, "%.2i%c%.2i%c%.2i", dd, s, mm, s, yy);
      break;
    case 6:
      std::snprintf(text, sizeof text, "%.2i%c%.2i%c%.2i%.2i", dd, s, mm, s, cc, yy);
      break;
    case 7:
      std::snprintf(text, sizeof text, "%.2i%.2i%.2i", yy, mm, dd);
      break;
    case 8:
      std::snprintf(text, sizeof text, "%.2i%.2i%.2i%.2i", cc, yy, mm, dd);
      break;
    case 9:
      std::snprintf(text, sizeof text, "%.2i%.2i%.2i", mm, dd, yy);
      break;
    case 10:
      std::snprintf(text, sizeof text, "%.2i%.2i%.2i%.2i", mm, dd, cc, yy);
      break;
    case 11:
      std::snprintf(text, sizeof text, "%.2i%.2i%.2i", dd, mm, yy);
      break;
    default:
      std::snprintf(text, sizeof text, "%.2i%.2i%.2i%.2i", dd, mm, cc, yy);
      break;
  }
  return text;
}

bool IsWeekend(DayNumber day) {
  // Day 1 was a Sunday, so day 0 is a Saturday.
  const int weekday = (day + 6) % 7;
  return weekday == 0 || weekday == 6;
}

DayNumber PreviousWeekday(DayNumber day) {
  do {
    day = static_cast<DayNumber>(day - 1);
  } while (IsWeekend(day));
  return day;
}

DayNumber NextWeekday(DayNumber day) {
  do {
    day = static_cast<DayNumber>(day + 1);
  } while (IsWeekend(day));
  return day;
}

}  // namespace voltrim
