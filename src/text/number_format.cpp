#include "text/number_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace voltrim {

namespace digits {

namespace {

constexpr double PowerOfTwo(int exponent) {
  double power = 1.0;
  for (; exponent > 0; --exponent) power *= 2.0;
  for (; exponent < 0; ++exponent) power /= 2.0;
  return power;
}

constexpr RoundTripScale ScaleForExponent(int biased) {
  if (biased == 0) return {1.0, 0.0, 0};     // zero; subnormals are left to the search
  if (biased == 255) return {1.0, -1.0, 0};  // nothing reads back
  const double gap = PowerOfTwo(biased - 150);
  RoundTripScale at{1.0, gap / 2, 0};
  while (at.decimals < 7 && at.scale * 10 * gap < 1.0) {
    at.scale *= 10;
    at.halfGap = gap * at.scale / 2;
    ++at.decimals;
  }
  return at;
}

}  // namespace

// Built when compiled; the header's declaration gives it external linkage.
constexpr std::array<RoundTripScale, 256> kRoundTripScales = [] {
  std::array<RoundTripScale, 256> table{};
  for (int biased = 0; biased < 256; ++biased)
    table[static_cast<std::size_t>(biased)] = ScaleForExponent(biased);
  return table;
}();

}  // namespace digits

namespace {

using digits::EightDigits;
using digits::kAsciiZeros;
using digits::WriteShortDecimal;

constexpr std::array<std::uint64_t, 5> kPowersOfTen = {1, 10, 100, 1000, 10000};
constexpr std::array<double, 5> kScales = {1.0, 10.0, 100.0, 1000.0, 10000.0};
constexpr std::array<std::uint64_t, 12> kPowersOfTenWide = {
    1,         10,         100,         1000,          10000,          100'000,
    1'000'000, 10'000'000, 100'000'000, 1'000'000'000, 10'000'000'000, 100'000'000'000};
// Above this binary exponent a value times 10^4 no longer fits 58 bits.
constexpr int kLargestFastExponent = 20;

// "00" to "99", so that digits are written two at a time.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

template <typename Unsigned>
int DigitCount(Unsigned value) {
  int digits = 1;
  for (; value >= 10000; value /= 10000) digits += 4;
  return digits + (value >= 10) + (value >= 100) + (value >= 1000);
}

// Writes exactly `digits` digits of value (leading zeros included), ending at out + digits.
template <typename Unsigned>
void WriteDigits(char* out, Unsigned value, int digits) {
  char* at = out + digits;
  while (digits >= 2) {
    const std::size_t pair = static_cast<std::size_t>(value % 100) * 2;
    value /= 100;
    *--at = kDigitPairs[pair + 1];
    *--at = kDigitPairs[pair];
    digits -= 2;
  }
  if (digits == 1) *--at = static_cast<char>('0' + value % 10);
}

// Nearly every price and volume fits 32 bits, whose divisions are the cheaper ones.
char* WriteUnsigned(char* out, std::uint64_t value) {
  if (value <= 0xFFFFFFFFu) {
    const auto narrow = static_cast<std::uint32_t>(value);
    const int digits = DigitCount(narrow);
    WriteDigits(out, narrow, digits);
    return out + digits;
  }
  const int digits = DigitCount(value);
  WriteDigits(out, value, digits);
  return out + digits;
}

// The whole part and the decimals of a scaled value; the unit is a constant for each
// count of decimals, so that the divisions become multiplications.
template <int kDecimals>
char* WriteScaled(char* out, std::uint64_t scaled) {
  constexpr std::uint64_t kUnit = kPowersOfTen[kDecimals];
  out = WriteUnsigned(out, scaled / kUnit);
  if constexpr (kDecimals > 0) {
    *out++ = '.';
    WriteDigits(out, static_cast<std::uint32_t>(scaled % kUnit), kDecimals);
    out += kDecimals;
  }
  return out;
}

constexpr std::uint64_t kBelowDecimalFast = 10'000'000'000'000'000u;  // 10^16

// The same for value below 10^16 and decimals 0 to 15, leaving scratch bytes up to out + 33.
char* WriteDecimal(char* out, std::uint64_t value, int decimals) {
  if (value < 100'000'000u && decimals <= 7) {
    return WriteShortDecimal(out, static_cast<std::uint32_t>(value), decimals);
  }
  const std::uint64_t high = EightDigits(static_cast<std::uint32_t>(value / 100'000'000u));
  const std::uint64_t low = EightDigits(static_cast<std::uint32_t>(value % 100'000'000u));
  const int zeros =
      high != 0 ? std::countr_zero(high) / 8 : 8 + (low != 0 ? std::countr_zero(low) / 8 : 8);
  const int first = std::min(zeros, 15 - decimals);  // the first digit written
  const int whole = 16 - decimals - first;           // digits before the point
  if constexpr (std::endian::native == std::endian::little) {
    // The 16 characters as one number, the first in the lowest byte: shifts drop the
    // leading zeros and pick the decimals, and only stores put them in place (reading
    // back bytes just stored in pieces would wait for the stores to finish).
    const unsigned __int128 text =
        (static_cast<unsigned __int128>(low | kAsciiZeros) << 64) | (high | kAsciiZeros);
    const unsigned __int128 shown = text >> (8 * first);
    std::memcpy(out, &shown, 16);
    if (decimals == 0) return out + whole;
    const unsigned __int128 fraction = text >> (8 * (16 - decimals));
    std::memcpy(out + whole + 1, &fraction, 16);
    out[whole] = '.';
    return out + whole + 1 + decimals;
  } else {
    char digits[32] = {};
    for (int i = 0; i < 8; ++i) {
      digits[i] = static_cast<char>('0' + ((high >> (8 * i)) & 0xFFu));
      digits[8 + i] = static_cast<char>('0' + ((low >> (8 * i)) & 0xFFu));
    }
    std::memcpy(out, digits + first, 16);
    if (decimals == 0) return out + whole;
    out[whole] = '.';
    std::memcpy(out + whole + 1, digits + 16 - decimals, 16);
    return out + whole + 1 + decimals;
  }
}

// A whole number below 10^8, without leading zeros.
[[gnu::always_inline]] inline char* WriteWhole(char* out, std::uint32_t value) {
  const std::uint64_t digits = EightDigits(value);
  const int zeros = std::min(std::countr_zero(digits) / 8, 7);
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t shown = (digits | kAsciiZeros) >> (8 * zeros);
    std::memcpy(out, &shown, 8);
    return out + 8 - zeros;
  } else {
    return WriteDecimal(out, value, 0);
  }
}

// The whole part and the decimals of a scaled value, split at the point: the unit is a
// constant for each count of decimals, so that the division becomes a multiplication,
// and the decimals, at most four, are at most two pairs from the table.
template <int kDecimals>
char* WriteFixedScaled(char* out, std::uint64_t scaled) {
  constexpr std::uint64_t kUnit = kPowersOfTen[kDecimals];
  const std::uint64_t whole = scaled / kUnit;
  if (whole >= 100'000'000u) return WriteScaled<kDecimals>(out, scaled);
  out = WriteWhole(out, static_cast<std::uint32_t>(whole));
  if constexpr (kDecimals > 0) {
    *out++ = '.';
    auto fraction = static_cast<std::uint32_t>(scaled % kUnit);
    if constexpr (kDecimals % 2 != 0) {
      constexpr auto kLeading = static_cast<std::uint32_t>(kUnit / 10);
      *out++ = static_cast<char>('0' + fraction / kLeading);
      fraction %= kLeading;
    }
    if constexpr (kDecimals / 2 == 2) {
      std::memcpy(out, &kDigitPairs[2 * (fraction / 100)], 2);
      fraction %= 100;
      out += 2;
    }
    if constexpr (kDecimals / 2 >= 1) {
      std::memcpy(out, &kDigitPairs[2 * fraction], 2);
      out += 2;
    }
  }
  return out;
}

char* WriteTwoDigits(char* out, int value) {
  *out++ = static_cast<char>('0' + value / 10 % 10);
  *out++ = static_cast<char>('0' + value % 10);
  return out;
}

// The library's exact conversion for what the fast paths leave. Not printf: once Qt has set
// the locale from the environment, printf writes a decimal comma in much of the world.
char* WriteFixedByLibrary(char* out, float value, int decimals) {
  const auto result = std::to_chars(out, out + kNumberTextMax - 1, static_cast<double>(value),
                                    std::chars_format::fixed, decimals);
  return result.ec == std::errc{} ? result.ptr : out;
}

// value x 10^decimals rounded to the nearest integer, ties to even. A single has 24
// significant bits and 10^4 needs 14, so the product is exact in a double, and so is its
// part below the point: the one rounding is the one made here, by the digits themselves.
std::uint64_t ScaledAndRounded(double magnitude, int decimals) {
  const double exact = magnitude * kScales[static_cast<std::size_t>(decimals)];
  const auto truncated = static_cast<std::int64_t>(exact);  // below 2^58, see the caller
  const double rest = exact - static_cast<double>(truncated);
  const auto whole = static_cast<std::uint64_t>(truncated);
  // Without a branch: whether a price lies just above or just below its last digit is
  // anyone's guess.
  return whole + static_cast<std::uint64_t>(rest > 0.5) +
         static_cast<std::uint64_t>((rest == 0.5) & ((whole & 1) != 0));
}

// ShortestDecimal where the interval is symmetric (the mantissa is no power of two): it
// reaches 2 units either side of the centre, so a count of decimals has a number inside
// it exactly when the nearest one is, and only the distance to the nearest whole number
// of units at that count is needed. shift is 3 to 63, see there.
[[gnu::always_inline]] inline bool NearestShortest(std::uint32_t mantissa, int shift,
                                                   std::uint64_t& digits, int& decimals) {
  const std::uint64_t centre = std::uint64_t{mantissa} << 2;
  const std::uint64_t unit = std::uint64_t{1} << shift;
  const std::uint64_t unitMask = unit - 1;
  const std::uint64_t half = unit >> 1;
  // Distances are whole units: "below the reach" is "at most the reach less one" when
  // the ends are left out (an odd mantissa).
  const std::uint64_t shortOfEnds = (mantissa & 1) != 0 ? 1 : 0;
  // centre x 10^11 still fits 64 bits (centre is below 2^26).
  for (int d = 1; d <= 11; ++d) {
    const std::uint64_t scale = kPowersOfTenWide[static_cast<std::size_t>(d)];
    const std::uint64_t exact = centre * scale;
    const std::uint64_t rest = exact & unitMask;
    const std::uint64_t reach = 2 * scale - shortOfEnds;
    if (rest > reach && unit - rest > reach) continue;
    // The nearest, halfway to even.
    const std::uint64_t below = exact >> shift;
    digits = below + ((rest > half || (rest == half && (below & 1) != 0)) ? 1 : 0);
    decimals = d;
    return digits < kBelowDecimalFast;
  }
  return false;
}

// The text std::to_chars gives a single in fixed notation without a precision, as digits
// and a count of decimals: for a whole number its exact value (below 10^16 here), otherwise
// the fewest decimals whose number reads back as the single (the nearest such number,
// halfway cases to even). The single is mantissa x 2^exponent, mantissa with its leading
// bit; lowestNormal when there is no smaller normal exponent below it. False when the
// answer needs more than this 64-bit search covers.
bool ShortestDecimal(std::uint32_t mantissa, int exponent, bool lowestNormal, std::uint64_t& digits,
                     int& decimals) {
  if (exponent >= 0) {
    if (exponent > 30) return false;
    digits = std::uint64_t{mantissa} << exponent;
    decimals = 0;
    return digits < kBelowDecimalFast;
  }
  const int shift = 2 - exponent;  // the numbers below are in units of 2^(exponent - 2)
  if (shift > 63) return false;
  const std::uint64_t unitMask = (std::uint64_t{1} << shift) - 1;
  if ((mantissa & ((std::uint64_t{1} << -exponent) - 1)) == 0) {
    digits = mantissa >> -exponent;
    decimals = 0;
    return true;
  }
  // Every number strictly between the midpoints to the neighbouring singles reads back as
  // this one, the midpoints too when the mantissa is even (ties go to even). Below a power
  // of two the lower neighbour is half as far.
  const std::uint64_t centre = std::uint64_t{mantissa} << 2;
  const bool powerOfTwo = mantissa == 0x800000u && !lowestNormal;
  const std::uint64_t lower = centre - (powerOfTwo ? 1 : 2);
  const std::uint64_t upper = centre + 2;
  const bool inclusive = (mantissa & 1) == 0;
  if (!powerOfTwo) return NearestShortest(mantissa, shift, digits, decimals);
  // upper x 10^11 still fits 64 bits (upper is below 2^26).
  for (int d = 1; d <= 11; ++d) {
    const std::uint64_t scale = kPowersOfTenWide[static_cast<std::size_t>(d)];
    const std::uint64_t low = lower * scale;
    const std::uint64_t high = upper * scale;
    const std::uint64_t first = (low >> shift) + ((low & unitMask) != 0 || !inclusive ? 1 : 0);
    const std::uint64_t last = (high >> shift) - ((high & unitMask) == 0 && !inclusive ? 1 : 0);
    if (first > last) continue;
    const std::uint64_t exact = centre * scale;
    std::uint64_t nearest = exact >> shift;
    const std::uint64_t rest = exact & unitMask;
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (nearest & 1) != 0)) ++nearest;
    digits = std::clamp(nearest, first, last);
    decimals = d;
    return digits < kBelowDecimalFast;
  }
  return false;
}

}  // namespace

char* WriteFixedInFull(char* out, float value, int decimals) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const int biased = static_cast<int>((bits >> 23) & 0xFFu);
  // Infinities and NaN have the largest exponent of all.
  if (biased - 150 > kLargestFastExponent || decimals < 0 || decimals > 4) {
    return WriteFixedByLibrary(out, value, decimals);
  }
  if ((bits >> 31) != 0) *out++ = '-';
  const std::uint64_t scaled = ScaledAndRounded(std::fabs(static_cast<double>(value)), decimals);
  if (scaled < 100'000'000u) {
    return WriteShortDecimal(out, static_cast<std::uint32_t>(scaled), decimals);
  }
  switch (decimals) {
    case 0:
      return WriteFixedScaled<0>(out, scaled);
    case 1:
      return WriteFixedScaled<1>(out, scaled);
    case 2:
      return WriteFixedScaled<2>(out, scaled);
    case 3:
      return WriteFixedScaled<3>(out, scaled);
    default:
      return WriteFixedScaled<4>(out, scaled);
  }
}

void AppendFixed(std::string& text, float value, int decimals) {
  char cell[kNumberTextMax];
  text.append(cell, WriteFixed(cell, value, decimals));
}

char* WriteRoundTripInFull(char* out, float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const int biased = static_cast<int>((bits >> 23) & 0xFFu);
  const std::uint32_t mantissa = (bits & 0x7FFFFFu) | (biased != 0 ? 0x800000u : 0u);
  const float magnitude = std::fabs(value);
  char* const start = out;
  if ((bits >> 31) != 0) *out++ = '-';
  // Whole numbers (zero too): volumes, open interest and round prices.
  if (magnitude < 2147483648.0f) {
    const auto whole = static_cast<std::uint32_t>(magnitude);
    if (static_cast<float>(whole) == magnitude) {
      return whole < 100'000'000u ? WriteShortDecimal(out, whole, 0) : WriteDecimal(out, whole, 0);
    }
  }
  std::uint64_t digits = 0;
  int decimals = 0;
  if (biased != 0 && biased != 0xFF &&
      ShortestDecimal(mantissa, biased - 150, biased == 1, digits, decimals)) {
    if (digits < 100'000'000u && decimals <= 7) {
      return WriteShortDecimal(out, static_cast<std::uint32_t>(digits), decimals);
    }
    return WriteDecimal(out, digits, decimals);
  }
  // The rest (subnormals, the smallest and the largest magnitudes, infinities, NaN) is
  // rare enough for the library's general conversion. Fixed notation keeps every reader
  // happy; the longest single needs 39 integer digits or 45 decimals for the smallest
  // subnormal, which still fits 64 characters.
  const auto result = std::to_chars(start, start + kNumberTextMax, value, std::chars_format::fixed);
  return result.ec == std::errc{} ? result.ptr : WriteFixedByLibrary(start, value, 9);
}

char* WriteUserDate(char* out, DayNumber day) { return DateTextWriter().UserDate(out, day); }

char* WriteIsoDate(char* out, DayNumber day) { return DateTextWriter().IsoDate(out, day); }

Ymd DateTextWriter::Split(DayNumber day) {
  const int inMonth = day - monthBase_;
  // Every month has at least 28 days; later days look the month up again.
  if (month_.year != 0 && inMonth >= 1 && inMonth <= 28) {
    return {month_.year, month_.month, inMonth};
  }
  const Ymd ymd = day != 0 ? DayToYmd(day) : Ymd{};
  month_ = ymd;
  monthBase_ = day - ymd.day;
  return ymd;
}

char* DateTextWriter::UserDate(char* out, DayNumber day) {
  const Ymd ymd = Split(day);
  out = WriteTwoDigits(out, ymd.month);
  *out++ = '/';
  out = WriteTwoDigits(out, ymd.day);
  *out++ = '/';
  return WriteTwoDigits(out, ymd.year % 100);
}

char* DateTextWriter::IsoDate(char* out, DayNumber day) {
  const Ymd ymd = Split(day);
  const int year = ymd.year + 1900;
  out = WriteTwoDigits(out, year / 100);
  out = WriteTwoDigits(out, year % 100);
  *out++ = '-';
  out = WriteTwoDigits(out, ymd.month);
  *out++ = '-';
  return WriteTwoDigits(out, ymd.day);
}

char* DateTextWriter::DateOfNewMonth(char* out, float dateValue, MonthText& month) {
  const DayNumber day = DateFloatToDay(dateValue);
  char* const end = month.iso ? IsoDate(out, day) : UserDate(out, day);
  // Stored dates are whole numbers; the month of anything else is not kept.
  if (!(dateValue >= 0.0f && dateValue < 16777216.0f)) return end;
  const auto whole = static_cast<int>(dateValue);
  const int yearMonth = whole / 100;
  if (static_cast<float>(whole) != dateValue || yearMonth == month.yearMonth) return end;
  // The month is kept when its day 1 and its last day give back exactly those dates, so
  // that every day between them does too (day numbers run on without a gap within a
  // month); dates before 1961, past the last day number and in months 0 or 13 up are not.
  const auto dayOf = [yearMonth](int dayInMonth) {
    return DateFloatToDay(static_cast<float>(yearMonth * 100 + dayInMonth));
  };
  const auto isDate = [yearMonth](DayNumber dayNumber, int dayInMonth) {
    const Ymd ymd = DayToYmd(dayNumber);
    return dayNumber != 0 && ymd.year == yearMonth / 100 && ymd.month == yearMonth % 100 &&
           ymd.day == dayInMonth;
  };
  month.yearMonth = -1;
  month.lastDay = 0;
  const DayNumber first = dayOf(1);
  if (!isDate(first, 1)) return end;
  int lastDay = 31;
  while (lastDay >= 28 && !isDate(dayOf(lastDay), lastDay)) --lastDay;
  if (lastDay < 28) return end;
  char* const textEnd = month.iso ? IsoDate(month.text, first) : UserDate(month.text, first);
  month.length = static_cast<int>(textEnd - month.text);
  month.dayAt = month.length - (month.iso ? 2 : 5);
  month.yearMonth = yearMonth;
  month.lastDay = lastDay;
  return end;
}

char* WriteIsoTime(char* out, PackedTime time) {
  const Hms hms = UnpackTime(time);
  out = WriteTwoDigits(out, hms.hours);
  *out++ = ':';
  out = WriteTwoDigits(out, hms.minutes);
  *out++ = ':';
  return WriteTwoDigits(out, hms.seconds);
}

}  // namespace voltrim
