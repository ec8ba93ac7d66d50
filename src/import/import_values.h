#pragma once

// The import reader's numbers, dates and times, read from the text of a field.
// Inline: the quick reading of a line keeps them in registers.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>

#include "datafiles/format/encodings.h"
#include "import/import_fields.h"

namespace voltrim::import_reading {

inline bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number of up to 9 digits; -1 when s is not that.
inline int Digits(std::string_view s) {
  if (s.empty() || s.size() > 9) return -1;
  int value = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

enum class Read { kValue, kEmpty, kBad, kBeyond };

// HH:MM:SS, HH:MM (hours of one or two digits), HHMMSS or HHMM.
inline Read ReadTime(std::string_view s, float& out) {
  int h = -1, m = -1, sec = 0;
  const std::size_t colon = s.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view rest = s.substr(colon + 1);
    const std::size_t second = rest.find(':');
    if (colon > 2 || rest.substr(0, second).size() != 2) return Read::kBad;
    h = Digits(s.substr(0, colon));
    m = Digits(rest.substr(0, second));
    if (second != std::string_view::npos) {
      if (rest.size() - second - 1 != 2) return Read::kBad;
      sec = Digits(rest.substr(second + 1));
    }
  } else if (s.size() == 4 || s.size() == 6) {
    h = Digits(s.substr(0, 2));
    m = Digits(s.substr(2, 2));
    if (s.size() == 6) sec = Digits(s.substr(4, 2));
  }
  if (h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59) return Read::kBad;
  out = static_cast<float>(h * 10000 + m * 100 + sec);
  return Read::kValue;
}

// The date forms, and a time after a blank or "T". kBeyond: a calendar day without a day
// number.
inline Read ReadDate(std::string_view s, float& date, float& time, bool& withTime) {
  withTime = false;
  std::size_t split = 0;  // a plain scan, as find_first_of calls memchr for each character
  while (split < s.size() && s[split] != ' ' && s[split] != 'T') ++split;
  if (split != s.size()) {
    if (ReadTime(Trim(s.substr(split + 1)), time) != Read::kValue) return Read::kBad;
    withTime = true;
    s = s.substr(0, split);
  }
  int year = -1, month = -1, day = -1;
  if (s.size() == 10 && s[4] == '-' && s[7] == '-') {
    year = Digits(s.substr(0, 4));
    month = Digits(s.substr(5, 2));
    day = Digits(s.substr(8, 2));
  } else if (s.size() == 8 && AllDigits(s)) {
    year = Digits(s.substr(0, 4));
    month = Digits(s.substr(4, 2));
    day = Digits(s.substr(6, 2));
  } else if (const std::size_t first = s.find('/'); first == 1 || first == 2) {
    const std::size_t second = s.find('/', first + 1);
    if (second == std::string_view::npos || second - first - 1 < 1 || second - first - 1 > 2)
      return Read::kBad;
    const std::string_view yearText = s.substr(second + 1);
    month = Digits(s.substr(0, first));
    day = Digits(s.substr(first + 1, second - first - 1));
    year = Digits(yearText);
    if (yearText.size() == 2 && year >= 0) {
      year += year < 60 ? 2000 : 1900;
    } else if (yearText.size() != 4) {
      return Read::kBad;
    }
  }
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return Read::kBad;
  // Day numbers run from 1 January 1961 to 4 June 2140.
  const long ymd = year * 10000L + month * 100L + day;
  if (ymd < 19610101L || ymd > 21400604L) return Read::kBeyond;
  date = static_cast<float>(ymd - 19000000L);
  return Read::kValue;
}

// The nearest single of the decimal whole / 10^scale (whole of at most 15 digits, exact in
// a double), the common case, without the general conversion. One multiplication by the
// double nearest 10^-scale lands within two units of the double's last place of the
// decimal, so rounding it to a single gives the single nearest the decimal unless it lies
// within those few units of a point halfway between two singles, where the decimal may lie
// to either side. False for that case: from_chars decides it. The value is 0 or lies
// between 10^-15 and 10^15, well inside the normal singles.
inline bool DecimalValue(std::uint64_t whole, int scale, bool negative, float& out) {
  static constexpr double kInversePowers[] = {1e0,  1e-1, 1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7,
                                              1e-8, 1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15};
  // Converted as a signed number, which takes one instruction where an unsigned one takes a
  // test and two paths; under 10^15 it is the same number.
  const double value =
      static_cast<double>(static_cast<std::int64_t>(whole)) * kInversePowers[scale];
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  // A double's 52 stored bits hold a single's 23 and 29 below them: halfway is the first of
  // those 29 alone; 4 units either side of it cover the product's error.
  constexpr std::uint64_t kHalfway = 0x10000000u;
  if ((bits & 0x1FFFFFFFu) - (kHalfway - 4) <= 8) return false;
  out = static_cast<float>(negative ? -value : value);
  return true;
}

// The digits of a plain decimal ([-]digits[.digits]) from at, up to the first character
// that cannot continue it.
struct DecimalDigits {
  std::uint64_t whole = 0;
  int digits = 0;
  int decimals = -1;  // digits after the point; -1 without one
  bool negative = false;
};

// The digits from at on, taken into whole; where they end. Unbounded (kBounded false) only
// where a character that is no digit is known to come before end.
template <bool kBounded>
const char* TakeDigits(const char* at, const char* end, std::uint64_t& whole) {
  std::uint64_t value = whole;
  for (; !kBounded || at < end; ++at) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*at)) - '0';
    if (digit >= 10) break;
    // Past 15 digits the whole number is not used (and may wrap).
    value = value * 10 + digit;
  }
  whole = value;
  return at;
}

// Counted in locals and stored in d once: d's members, kept in memory, would have to be
// stored and loaded again around every character read, which may alias them. Inlined into
// the quick reading of a line, where d then stays in registers too.
template <bool kBounded = true>
[[gnu::always_inline]] inline const char* ScanDecimal(const char* at, const char* end,
                                                      DecimalDigits& d) {
  const bool negative = (!kBounded || at < end) && *at == '-';
  if (negative) ++at;
  std::uint64_t whole = 0;
  const char* const wholeFrom = at;
  at = TakeDigits<kBounded>(at, end, whole);
  int digits = static_cast<int>(at - wholeFrom);
  int decimals = -1;
  if ((!kBounded || at < end) && *at == '.') {
    const char* const decimalsFrom = ++at;
    at = TakeDigits<kBounded>(at, end, whole);
    decimals = static_cast<int>(at - decimalsFrom);
    digits += decimals;
  }
  d = {whole, digits, decimals, negative};
  return at;
}

inline bool DigitsValue(const DecimalDigits& d, float& out) {
  return d.digits > 0 && d.digits <= 15 &&
         DecimalValue(d.whole, d.decimals < 0 ? 0 : d.decimals, d.negative, out);
}

// A plain decimal, the whole of s; false for any other form (from_chars reads those).
inline bool PlainDecimal(std::string_view s, float& out) {
  DecimalDigits d;
  return ScanDecimal(s.data(), s.data() + s.size(), d) == s.data() + s.size() &&
         DigitsValue(d, out);
}

// YYYY-MM-DD, the most common form, read at once: false for anything else, and for a day
// ReadDate refuses, which then reads (or refuses) it.
inline bool QuickIsoDate(std::string_view s, float& date) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  const auto digit = [&](std::size_t i) {
    return static_cast<unsigned>(static_cast<unsigned char>(s[i])) - '0';
  };
  for (const std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u})
    if (digit(i) > 9) return false;
  const int year = static_cast<int>(digit(0) * 1000 + digit(1) * 100 + digit(2) * 10 + digit(3));
  const int month = static_cast<int>(digit(5) * 10 + digit(6));
  const int day = static_cast<int>(digit(8) * 10 + digit(9));
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  const long ymd = year * 10000L + month * 100L + day;
  if (ymd < 19610101L || ymd > 21400604L) return false;
  date = static_cast<float>(ymd - 19000000L);
  return true;
}

// The month of the last YYYY-MM-DD date read: the lines of a file come day by day, so a
// date whose first eight characters ("YYYY-MM-") are the last one's needs only its day read.
class LastIsoMonth {
 public:
  // The YYYY-MM-DD at at (whose field ends at at[10]) as QuickIsoDate reads it.
  bool Read(const char* at, float& date) {
    std::uint64_t head = 0;
    std::memcpy(&head, at, sizeof head);
    if (head != head_) return ReadMonth(at, head, date);
    const unsigned tens = static_cast<unsigned>(static_cast<unsigned char>(at[8])) - '0';
    const unsigned ones = static_cast<unsigned>(static_cast<unsigned char>(at[9])) - '0';
    const unsigned day = tens * 10 + ones;
    if (tens > 9 || ones > 9 || day < 1 || day > lastDay_) return false;
    date = static_cast<float>(monthBase_ + static_cast<int>(day));
    return true;
  }

 private:
  bool ReadMonth(const char* at, std::uint64_t head, float& date) {
    if (!QuickIsoDate(std::string_view(at, 10), date)) return false;
    const auto value = static_cast<int>(date);  // (year - 1900) x 10000 + month x 100 + day
    monthBase_ = value - value % 100;
    lastDay_ = static_cast<unsigned>(LastImportDay(value / 10000 + 1900, value / 100 % 100));
    head_ = head;
    return true;
  }

  std::uint64_t head_ = 0;
  int monthBase_ = 0;
  unsigned lastDay_ = 0;  // no day before a month is read
};

// A decimal read to the nearest single; kBeyond for what a data file cannot hold.
inline Read ReadValue(std::string_view s, float& out) {
  if (s.empty()) return Read::kEmpty;
  if (s.size() == 3 && std::toupper(static_cast<unsigned char>(s[0])) == 'N' && s[1] == '/' &&
      std::toupper(static_cast<unsigned char>(s[2])) == 'A')
    return Read::kEmpty;
  if (s.front() == '+') {
    s.remove_prefix(1);
    if (s.empty() || s.front() == '-') return Read::kBad;
  }
  // Words such as "inf" and "nan" read as numbers; they are no price.
  const char lead = s.front() == '-' && s.size() > 1 ? s[1] : s.front();
  if (!(lead == '.' || (lead >= '0' && lead <= '9'))) return Read::kBad;
  float value = 0.0f;
  if (!PlainDecimal(s, value)) {
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (end != s.data() + s.size()) return Read::kBad;
    if (error == std::errc::result_out_of_range) return Read::kBeyond;
    if (error != std::errc()) return Read::kBad;
  }
  if (!HasMbfForm(value)) return Read::kBeyond;
  out = value;
  return Read::kValue;
}

}  // namespace voltrim::import_reading
