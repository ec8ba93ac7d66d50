#include "text/number_format.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>

namespace voltrim {

namespace {

constexpr std::array<std::uint64_t, 5> kPowersOfTen = {1, 10, 100, 1000, 10000};
// Above this binary exponent a value times 10^4 no longer fits 64 bits.
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

char* WriteTwoDigits(char* out, int value) {
  *out++ = static_cast<char>('0' + value / 10 % 10);
  *out++ = static_cast<char>('0' + value % 10);
  return out;
}

char* WriteByPrintf(char* out, float value, int decimals) {
  const int size = std::snprintf(out, kNumberTextMax, "%.*f", decimals, static_cast<double>(value));
  return out + (size < 0 ? 0 : std::min<int>(size, static_cast<int>(kNumberTextMax) - 1));
}

// value x 10^decimals rounded to the nearest integer, ties to even, from the exact
// mantissa and exponent: no double arithmetic, so no double rounding.
std::uint64_t ScaledAndRounded(std::uint64_t mantissa, int exponent, int decimals) {
  const std::uint64_t scaled = mantissa * kPowersOfTen[static_cast<std::size_t>(decimals)];
  if (exponent >= 0) return scaled << exponent;
  const int shift = -exponent;
  if (shift >= 64) return 0;  // far below one half
  const std::uint64_t whole = scaled >> shift;
  const std::uint64_t rest = scaled & ((std::uint64_t{1} << shift) - 1);
  const std::uint64_t half = std::uint64_t{1} << (shift - 1);
  const bool up = rest > half || (rest == half && (whole & 1) != 0);
  return whole + (up ? 1 : 0);
}

}  // namespace

char* WriteFixed(char* out, float value, int decimals) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const int biased = static_cast<int>((bits >> 23) & 0xFFu);
  std::uint64_t mantissa = bits & 0x7FFFFFu;
  int exponent = -149;
  if (biased != 0) {
    mantissa |= 0x800000u;
    exponent = biased - 150;
  }
  if (biased == 0xFF || exponent > kLargestFastExponent || decimals < 0 || decimals > 4) {
    return WriteByPrintf(out, value, decimals);
  }
  if ((bits >> 31) != 0) *out++ = '-';
  const std::uint64_t scaled = ScaledAndRounded(mantissa, exponent, decimals);
  switch (decimals) {
    case 0:
      return WriteScaled<0>(out, scaled);
    case 1:
      return WriteScaled<1>(out, scaled);
    case 2:
      return WriteScaled<2>(out, scaled);
    case 3:
      return WriteScaled<3>(out, scaled);
    default:
      return WriteScaled<4>(out, scaled);
  }
}

void AppendFixed(std::string& text, float value, int decimals) {
  char cell[kNumberTextMax];
  text.append(cell, WriteFixed(cell, value, decimals));
}

char* WriteRoundTrip(char* out, float value) {
  // Fixed notation keeps every reader happy; the longest single needs 39 integer digits
  // or 45 decimals for the smallest subnormal, which still fits 64 characters.
  const auto result = std::to_chars(out, out + kNumberTextMax, value, std::chars_format::fixed);
  return result.ec == std::errc{} ? result.ptr : WriteByPrintf(out, value, 9);
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

char* WriteIsoTime(char* out, PackedTime time) {
  const Hms hms = UnpackTime(time);
  out = WriteTwoDigits(out, hms.hours);
  *out++ = ':';
  out = WriteTwoDigits(out, hms.minutes);
  *out++ = ':';
  return WriteTwoDigits(out, hms.seconds);
}

}  // namespace voltrim
