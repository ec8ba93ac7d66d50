#pragma once

// Decimal digits a machine word at a time, for the number writers of number_format.h,
// which inline them into the loops of exports and grids.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace voltrim::digits {

inline constexpr std::uint64_t kAsciiZeros = 0x3030303030303030u;

// The eight decimal digits of a value below 10^8 (leading zeros included), one a byte as
// the numbers 0-9, the first digit in the lowest byte. All digits are split at once, in
// lanes of one 64-bit word (four digits a half, two a quarter, one a byte), so that a
// number costs a few multiplications instead of a division per pair of digits.
[[gnu::always_inline]] inline std::uint64_t EightDigits(std::uint32_t value) {
  const std::uint64_t fours = (value / 10000) | (std::uint64_t{value % 10000} << 32);
  // x * 10486 >> 20 is x / 100 for x below 10^4, and x * 103 >> 10 is x / 10 below 100.
  const std::uint64_t hundreds = ((fours * 10486) >> 20) & 0x0000007F0000007Fu;
  const std::uint64_t pairs = hundreds | ((fours - hundreds * 100) << 16);
  const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Fu;
  return tens | ((pairs - tens * 10) << 8);
}

// Writes the number whose EightDigits are `digits` with a point before the last
// `decimals` of them (none for 0) and at least one digit before the point, as printf does;
// decimals 0 to 7. Writes whole blocks of 8 characters, so it may leave scratch bytes up
// to out + 17.
[[gnu::always_inline]] inline char* WriteEightDigits(char* out, std::uint64_t digits,
                                                     int decimals) {
  // Leading zeros; the top bit, never set in a digit, stops the count at 7 without a
  // branch for no digit but zeros.
  const int zeros = std::countr_zero(digits | (std::uint64_t{1} << 63)) / 8;
  const int first = std::min(zeros, 7 - decimals);  // the first digit written
  const int whole = 8 - decimals - first;           // digits before the point
  if constexpr (std::endian::native == std::endian::little) {
    // The characters as one number, the first in the lowest byte: shifts drop the
    // leading zeros and pick the decimals, and only stores put them in place (reading
    // back bytes just stored in pieces would wait for the stores to finish).
    const std::uint64_t text = digits | kAsciiZeros;
    const std::uint64_t shown = text >> (8 * first);
    std::memcpy(out, &shown, 8);
    if (decimals == 0) return out + whole;
    const std::uint64_t fraction = text >> (8 * (8 - decimals));
    std::memcpy(out + whole + 1, &fraction, 8);
    out[whole] = '.';
    return out + whole + 1 + decimals;
  } else {
    for (int i = first; i < 8 - decimals; ++i)
      *out++ = static_cast<char>('0' + ((digits >> (8 * i)) & 0xFFu));
    if (decimals == 0) return out;
    *out++ = '.';
    for (int i = 8 - decimals; i < 8; ++i)
      *out++ = static_cast<char>('0' + ((digits >> (8 * i)) & 0xFFu));
    return out;
  }
}

// The same for value itself, below 10^8.
[[gnu::always_inline]] inline char* WriteShortDecimal(char* out, std::uint32_t value,
                                                      int decimals) {
  return WriteEightDigits(out, EightDigits(value), decimals);
}

}  // namespace voltrim::digits
