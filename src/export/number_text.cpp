#include "export/number_text.h"

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

char* WriteUnsigned(char* out, std::uint64_t value) {
  char digits[24];
  char* at = digits + sizeof digits;
  do {
    *--at = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (; at < digits + sizeof digits; ++at) *out++ = *at;
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
  const std::uint64_t unit = kPowersOfTen[static_cast<std::size_t>(decimals)];
  out = WriteUnsigned(out, scaled / unit);
  if (decimals == 0) return out;
  *out++ = '.';
  std::uint64_t fraction = scaled % unit;
  for (int i = decimals - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  return out + decimals;
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

char* WriteUserDate(char* out, DayNumber day) {
  const Ymd ymd = day != 0 ? DayToYmd(day) : Ymd{};
  out = WriteTwoDigits(out, ymd.month);
  *out++ = '/';
  out = WriteTwoDigits(out, ymd.day);
  *out++ = '/';
  return WriteTwoDigits(out, ymd.year % 100);
}

char* WriteIsoDate(char* out, DayNumber day) {
  const Ymd ymd = day != 0 ? DayToYmd(day) : Ymd{};
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
