#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "text/number_format.h"

namespace voltrim {
namespace {

std::string Fast(float value, int decimals) {
  char text[kNumberTextMax];
  return std::string(text, WriteFixed(text, value, decimals));
}

std::string Printf(float value, int decimals) {
  char text[512];
  std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
  return text;
}

// Counts disagreements and keeps the first one for the failure message.
struct Comparison {
  long long compared = 0;
  long long differing = 0;
  std::string first;

  void Check(float value, int decimals) {
    ++compared;
    const std::string fast = Fast(value, decimals);
    const std::string expected = Printf(value, decimals);
    if (fast == expected) return;
    if (differing++ == 0) {
      first = "bits " + std::to_string(std::bit_cast<std::uint32_t>(value)) + " decimals " +
              std::to_string(decimals) + ": " + fast + " vs " + expected;
    }
  }
};

// Random singles over every magnitude up to 2^30 and both signs, for the decimals the
// exports and grids print.
TEST(FixedNumberText, AgreesWithPrintfOnMillionsOfRandomValues) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::uint32_t> bits(0, 0x4E800000u);  // below 2^30
  Comparison comparison;
  for (int i = 0; i < 1'000'000; ++i) {
    float value = std::bit_cast<float>(bits(random));
    if (i % 8 == 0) value = -value;
    for (const int decimals : {0, 2, 4}) comparison.Check(value, decimals);
  }
  EXPECT_EQ(comparison.differing, 0) << comparison.first;
  EXPECT_EQ(comparison.compared, 3'000'000);
}

// Values exactly halfway between two printed texts round to the even one; the values
// one step either side of a tie round away from it. Prices with few decimals (12.625,
// 0.03125) are mostly such ties.
TEST(FixedNumberText, RoundsTiesToEvenLikePrintf) {
  Comparison comparison;
  for (const int decimals : {0, 1, 2, 3, 4}) {
    // Ties at d decimals are the odd multiples of 2^-(d+1) times 5^-d that are exact in
    // binary: the odd multiples of 2^-(d+1).
    const float step = std::ldexp(1.0f, -(decimals + 1));
    for (std::uint32_t odd = 1; odd < 400'000; odd += 2) {
      const float tie = static_cast<float>(odd) * step;
      comparison.Check(tie, decimals);
      comparison.Check(std::nextafter(tie, 0.0f), decimals);
      comparison.Check(std::nextafter(tie, 1e30f), decimals);
    }
  }
  EXPECT_EQ(comparison.differing, 0) << comparison.first;
}

TEST(FixedNumberText, EdgeValuesAgreeWithPrintf) {
  Comparison comparison;
  const float inf = std::numeric_limits<float>::infinity();
  for (const float value :
       {0.0f,       -0.0f,      0.00005f, -0.00004f,     15000.0f,
        12.625f,    0.99995f,   9.99995f, 1e-45f,        std::numeric_limits<float>::denorm_min(),
        1048576.0f, 2097151.9f, 1e9f,     4294967296.0f, 1.5e11f,
        3.4e38f,    -3.4e38f,   inf,      -inf,          std::numeric_limits<float>::quiet_NaN()}) {
    for (int decimals = 0; decimals <= 4; ++decimals) comparison.Check(value, decimals);
  }
  EXPECT_EQ(comparison.differing, 0) << comparison.first;
}

TEST(DateText, UserDatesMatchTheProgramsDateTextForEveryDay) {
  for (int day = 0; day <= 65535; ++day) {
    char text[kNumberTextMax];
    const std::string fast(text, WriteUserDate(text, static_cast<DayNumber>(day)));
    ASSERT_EQ(fast, FormatUserDate(static_cast<DayNumber>(day))) << day;
  }
  char text[kNumberTextMax];
  EXPECT_EQ(std::string(text, WriteIsoDate(text, YmdToDay(2000, 2, 29))), "2000-02-29");
  EXPECT_EQ(std::string(text, WriteIsoDate(text, YmdToDay(1961, 1, 1))), "1961-01-01");
  EXPECT_EQ(std::string(text, WriteIsoTime(text, PackTime(9, 35, 58))), "09:35:58");
}

// The CSV text of a value reads back as the very same single.
TEST(RoundTripText, ReadsBackAsTheSameSingle) {
  std::mt19937 random(7);
  std::uniform_int_distribution<std::uint32_t> bits(0, 0x7F7FFFFFu);
  for (int i = 0; i < 200'000; ++i) {
    const float value = std::bit_cast<float>(bits(random));
    char text[kNumberTextMax];
    char* end = WriteRoundTrip(text, value);
    ASSERT_EQ(std::string(text, end).find_first_of("eE,"), std::string::npos);
    float back = 0;
    std::from_chars(text, end, back);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(value))
        << std::string(text, end);
  }
  char text[kNumberTextMax];
  EXPECT_EQ(std::string(text, WriteRoundTrip(text, 12.625f)), "12.625");
  EXPECT_EQ(std::string(text, WriteRoundTrip(text, 15000.0f)), "15000");
  EXPECT_EQ(std::string(text, WriteRoundTrip(text, 0.1f)), "0.1");
}

}  // namespace
}  // namespace voltrim
