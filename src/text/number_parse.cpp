#include "text/number_parse.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace voltrim {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Length of the decimal number at the start of text (no sign), 0 if there is none. Hex
// forms, "inf" and "nan" are not numbers here.
std::size_t DecimalPrefixLength(std::string_view text) {
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

// Whether a decimal number that single precision cannot hold is too large (rather than
// too small): its decimal exponent of the first significant digit is positive.
bool IsLargeMagnitude(std::string_view number) {
  long long magnitude = 0;
  bool seenSignificant = false;
  bool afterPoint = false;
  std::size_t i = 0;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    const char c = number[i];
    if (c == '.') {
      afterPoint = true;
    } else if (!seenSignificant && c == '0') {
      if (afterPoint) --magnitude;
    } else {
      if (!seenSignificant && afterPoint) --magnitude;
      seenSignificant = true;
      if (!afterPoint) ++magnitude;
    }
  }
  long long exponent = 0;
  bool negativeExponent = false;
  for (++i; i < number.size(); ++i) {
    if (number[i] == '-') negativeExponent = true;
    if (IsDigit(number[i]) && exponent < 100000) exponent = exponent * 10 + (number[i] - '0');
  }
  return magnitude + (negativeExponent ? -exponent : exponent) > 0;
}

}  // namespace

std::optional<float> ParseNumberText(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::string_view rest = text.substr(i);
  const std::size_t length = DecimalPrefixLength(rest);
  if (length == 0) return std::nullopt;

  float value = 0.0f;
  const auto [end, error] =
      std::from_chars(rest.data(), rest.data() + length, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    value =
        IsLargeMagnitude(rest.substr(0, length)) ? std::numeric_limits<float>::infinity() : 0.0f;
  } else if (error != std::errc() || end != rest.data() + length) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace voltrim
