#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "datafiles/format/encodings.h"
#include "text/number_digits.h"

namespace voltrim {

// Room every writer below needs at out. The text ends where a writer returns; the bytes
// after it, up to out + kNumberTextMax, may have been overwritten.
inline constexpr std::size_t kNumberTextMax = 64;

// Writes value exactly as printf's "%.<decimals>f" prints it (decimals 0 to 4), the
// correct rounding of the exact binary value included, and returns the end of the text.
// Exports and grids print hundreds of thousands of values, and snprintf was most of
// their time.
inline char* WriteFixed(char* out, float value, int decimals);
void AppendFixed(std::string& text, float value, int decimals);

// The shortest plain decimal (no exponent, "." point) that reads back as the same single,
// byte for byte std::to_chars in fixed notation (whole numbers in full).
inline char* WriteRoundTrip(char* out, float value);

// Every case of the two above; they take the common ones inline, since an export calls
// them for every number.
char* WriteFixedInFull(char* out, float value, int decimals);
char* WriteRoundTripInFull(char* out, float value);

namespace digits {

// For the singles of one binary exponent: the most decimals (up to 7) whose numbers lie
// further apart than two neighbouring singles, as a scale 10^decimals, and half the
// distance between two neighbours in units of that scale.
struct RoundTripScale {
  double scale;
  double halfGap;
  int decimals;
};
// By the biased exponent; zero keeps only zero itself, infinities and NaN nothing.
extern const std::array<RoundTripScale, 256> kRoundTripScales;

// Adding 2^52 to a double from 0 to 2^52 rounds it to a whole number, halfway cases to
// even, in the default rounding mode; the whole number is then the low bits. One addition
// instead of the conversions to and from an integer and the comparisons a rounding would
// take, which were most of a number's time.
inline constexpr double kRoundingBias = 4503599627370496.0;  // 2^52

// Whether magnitude (not below zero) is a whole number below 10^8, and which, from its
// bits: a conversion to an integer and back costs more than the rest of a number.
[[gnu::always_inline]] inline bool WholeBelow1e8(float magnitude, std::uint32_t& whole) {
  if (magnitude < 8388608.0f) {  // 2^23: adding it rounds to a whole number
    const float rounded = magnitude + 8388608.0f;
    whole = std::bit_cast<std::uint32_t>(rounded) & 0x7FFFFFu;
    return rounded - 8388608.0f == magnitude;
  }
  if (!(magnitude < 1e8f)) return false;
  // From 2^23 up every single is whole: its mantissa shifted by what its exponent has over 23.
  const auto bits = std::bit_cast<std::uint32_t>(magnitude);
  whole = ((bits & 0x7FFFFFu) | 0x800000u) << ((bits >> 23) - 150);
  return true;
}

}  // namespace digits

// MM/DD/YY, byte for byte FormatUserDate ("00/00/00" for no date).
char* WriteUserDate(char* out, DayNumber day);
// YYYY-MM-DD.
char* WriteIsoDate(char* out, DayNumber day);
// Writes the dates of a series in either layout. It keeps the month of the last date
// written, since quotes run through a month before the next one begins, and finding the
// month of a day number was a tenth of an export's time.
class DateTextWriter {
 public:
  char* UserDate(char* out, DayNumber day);
  char* IsoDate(char* out, DayNumber day);
  // The same for a stored DATE value (YYYMMDD), byte for byte the text of the day number
  // DateFloatToDay gives. Within a month whose days are those very dates, only the day's
  // digits change from one quote to the next, so they are all that is worked out.
  char* UserDateOf(char* out, float dateValue) { return DateOf(out, dateValue, userMonth_); }
  char* IsoDateOf(char* out, float dateValue) { return DateOf(out, dateValue, isoMonth_); }

 private:
  // The text of one month's first day, for the dates of the month up to lastDay.
  struct MonthText {
    bool iso = false;
    int yearMonth = -1;  // YYYMM of the stored values; -1 when none is kept
    int lastDay = 0;
    int dayAt = 0;  // where the day's two digits are in text
    int length = 0;
    char text[16] = {};
  };

  char* DateOf(char* out, float dateValue, MonthText& month) {
    if (dateValue >= 0.0f && dateValue < 16777216.0f) {
      const auto whole = static_cast<int>(dateValue);
      const int day = whole - month.yearMonth * 100;
      if (day >= 1 && day <= month.lastDay && static_cast<float>(whole) == dateValue) {
        std::memcpy(out, month.text, sizeof month.text);
        out[month.dayAt] = static_cast<char>('0' + day / 10);
        out[month.dayAt + 1] = static_cast<char>('0' + day % 10);
        return out + month.length;
      }
    }
    return DateOfNewMonth(out, dateValue, month);
  }
  char* DateOfNewMonth(char* out, float dateValue, MonthText& month);
  Ymd Split(DayNumber day);

  int monthBase_ = 0;  // day number of day 0 of the cached month
  Ymd month_;          // its year and month; year 0 when nothing is cached
  MonthText userMonth_;
  MonthText isoMonth_{true};
};

// HH:MM:SS.
char* WriteIsoTime(char* out, PackedTime time);

inline char* WriteFixed(char* out, float value, int decimals) {
  static constexpr double kScales[] = {1.0, 10.0, 100.0, 1000.0, 10000.0};
  if (decimals >= 0 && decimals <= 4) {
    // A single has 24 significant bits and 10^4 needs 14, so the product is exact in a
    // double: the one rounding is the bias's, halfway cases to even. NaN fails the
    // comparison.
    const double exact = std::fabs(static_cast<double>(value)) * kScales[decimals];
    if (exact < 99'999'999.5) {
      if (std::signbit(value)) *out++ = '-';
      const double rounded = exact + digits::kRoundingBias;
      const auto scaled = static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(rounded));
      return digits::WriteShortDecimal(out, scaled, decimals);
    }
    // Larger volumes and open interest, whole numbers nearly always.
    std::uint32_t whole = 0;
    if (digits::WholeBelow1e8(std::fabs(value), whole)) {
      if (std::signbit(value)) *out++ = '-';
      out = digits::WriteShortDecimal(out, whole, 0);
      std::memcpy(out, ".0000", 5);
      return out + (decimals == 0 ? 0 : decimals + 1);
    }
  }
  return WriteFixedInFull(out, value, decimals);
}

inline char* WriteRoundTrip(char* out, float value) {
  // Whole numbers below 10^8 (volumes, open interest, round prices) are their digits.
  std::uint32_t whole = 0;
  if (digits::WholeBelow1e8(std::fabs(value), whole)) {
    if (std::signbit(value)) *out++ = '-';
    return digits::WriteShortDecimal(out, whole, 0);
  }
  // When the numbers of `decimals` decimals lie further apart than two neighbouring
  // singles, at most one of them reads back as this single, and the same goes for every
  // shorter decimal, which is that number without its trailing zeros: one rounding finds
  // the answer (prices of a few decimals) where a search would try each count of decimals
  // in turn.
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const digits::RoundTripScale& at = digits::kRoundTripScales[(bits >> 23) & 0xFFu];
  const double exact = std::fabs(static_cast<double>(value)) * at.scale;  // exact, 41 bits
  const double rounded = exact + digits::kRoundingBias;
  const double nearest = rounded - digits::kRoundingBias;
  const double distance = std::fabs(exact - nearest);
  // Ties read back as the single of even mantissa. Below a power of two the lower
  // neighbour is nearer, so only the single itself is taken there.
  const bool readsBack =
      distance < at.halfGap || (distance == at.halfGap && (bits & 1) == 0);
  if (readsBack && ((bits & 0x7FFFFFu) != 0 || distance == 0.0) && nearest < 1e8) {
    if (std::signbit(value)) *out++ = '-';
    const std::uint64_t text =
        digits::EightDigits(static_cast<std::uint32_t>(std::bit_cast<std::uint64_t>(rounded)));
    // The last digit is in the highest byte; zeros, the ends of shorter decimals, are
    // dropped (the lowest bit stops the count at 7 without a branch for zero).
    const int zeros = std::min(std::countl_zero(text | 1) / 8, at.decimals);
    return digits::WriteEightDigits(out, text << (8 * zeros), at.decimals - zeros);
  }
  return WriteRoundTripInFull(out, value);
}

}  // namespace voltrim
