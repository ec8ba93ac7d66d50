#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "text/number_format.h"
#include "text/time_text.h"

namespace voltrim {
namespace {

// The first value whose text differs from the reference's, printf's with `decimals` or,
// below zero, std::to_chars's shortest; "" when none does.
std::string FirstDifference(const std::vector<float>& values, int decimals) {
  for (const float v : values) {
    char ours[kNumberTextMax], theirs[512];
    const std::string mine(ours,
                           decimals < 0 ? WriteRoundTrip(ours, v) : WriteFixed(ours, v, decimals));
    if (decimals < 0) {
      *std::to_chars(theirs, theirs + 500, v, std::chars_format::fixed).ptr = '\0';
    } else {
      std::snprintf(theirs, sizeof theirs, "%.*f", decimals, static_cast<double>(v));
    }
    if (mine != theirs)
      return std::to_string(std::bit_cast<std::uint32_t>(v)) + ": " + mine + " vs " + theirs;
  }
  return "";
}

// Fixed: random singles below 2^30, ties between two texts (the odd multiples of 2^-(d+1),
// as most prices are) and both sides of each place where the writer's short cuts give way.
// Round trip: every kind of value the writer treats differently. Both: the edge values.
TEST(NumberText, FixedAgreesWithPrintfAndRoundTripWithToChars) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf(""),
              tiny = std::numeric_limits<float>::denorm_min();
  const std::vector<float> edges = {
      0.0f,        -0.0f,       0.00005f, -0.00004f,  15000.0f,    12.625f,     0.99995f,
      9.99995f,    1e-45f,      tiny,     1048576.0f, 2097151.9f,  1e9f,        4294967296.0f,
      1.5e11f,     3.4e38f,     -3.4e38f, inf,        -inf,        nan,         0.1f,
      1e-10f,      1e-5f,       1e-38f,   0.5f,       1048576.25f, 1048576.75f, 2097152.5f,
      16777218.0f, 99999992.0f, 1.5e10f};
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::uint32_t> bits(0, 0x4E800000u);  // below 2^30
  std::vector<float> fixed = edges, roundTrip = edges;
  for (int i = 0; i < 600'000; ++i)
    fixed.push_back((i % 8 == 0 ? -1.0f : 1.0f) * std::bit_cast<float>(bits(random)));
  for (const double edge : {1e4, 1e5, 1e6, 1e7, 8388608.0, 1e8, 1e9, 16777216.0, 4294967296.0,
                            1.7e13, 17592186044416.0, 1e15}) {
    float value = static_cast<float>(edge);
    for (int step = 0; step < 300; ++step) value = std::nextafter(value, 0.0f);
    for (int step = 0; step < 600; ++step, value = std::nextafter(value, 1e30f))
      fixed.insert(fixed.end(), {value, -value});
  }
  for (int decimals = 0; decimals <= 4; ++decimals) {
    std::vector<float> ties;
    const float step = std::ldexp(1.0f, -(decimals + 1));
    for (std::uint32_t odd = 1; odd < 400'000; odd += 2) {
      const float tie = static_cast<float>(odd) * step;
      ties.insert(ties.end(), {tie, std::nextafter(tie, 0.0f), std::nextafter(tie, 1e30f)});
    }
    EXPECT_EQ(FirstDifference(ties, decimals), "");
    EXPECT_EQ(FirstDifference(fixed, decimals), "");
  }

  for (int i = 0; i < 300'000; ++i)
    roundTrip.push_back(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
  // Prices as typed: 2 to 4 decimals read into a single.
  for (int i = 0; i < 100'000; ++i) {
    const int decimals = 2 + i % 3;
    const unsigned scale = decimals == 2 ? 100 : decimals == 3 ? 1000 : 10000;
    char text[32];
    std::snprintf(text, sizeof text, "%u.%0*u", static_cast<unsigned>(random() % 100'000), decimals,
                  static_cast<unsigned>(random() % scale));
    float price = 0;
    std::from_chars(text, text + std::strlen(text), price);
    roundTrip.push_back(price);
  }
  for (int exponent = -149; exponent <= 127; ++exponent) {
    const float power = std::ldexp(1.0f, exponent);
    roundTrip.insert(roundTrip.end(),
                     {power, std::nextafter(power, 0.0f), std::nextafter(power, inf)});
  }
  for (float value = 99'999'000.0f; value < 100'001'000.0f; value = std::nextafter(value, 1e9f))
    roundTrip.push_back(value);
  for (std::size_t i = 0, n = roundTrip.size(); i < n; ++i) roundTrip.push_back(-roundTrip[i]);
  EXPECT_EQ(FirstDifference(roundTrip, -1), "");
}

// The writer keeps a month's text while its days run on: every stored value, impossible
// months and days, leap days, far years and fractions, still reads as its day number's text;
// so does every day number's.
TEST(DateText, StoredDatesDayNumbersAndTimesWriteAsTheProgramsTextsAndTimesReadBack) {
  for (int day = 0; day <= 65535; ++day) {
    char text[kNumberTextMax];
    const std::string fast(text, WriteUserDate(text, static_cast<DayNumber>(day)));
    ASSERT_EQ(fast, FormatUserDate(static_cast<DayNumber>(day))) << day;
  }
  char text[kNumberTextMax];
  EXPECT_EQ(std::string(text, WriteIsoDate(text, YmdToDay(2000, 2, 29))), "2000-02-29");
  EXPECT_EQ(std::string(text, WriteIsoDate(text, YmdToDay(1961, 1, 1))), "1961-01-01");
  EXPECT_EQ(std::string(text, WriteIsoTime(text, PackTime(9, 35, 58))), "09:35:58");
  DateTextWriter writer;
  std::vector<float> dates;
  for (int year = 0; year < 260; year += (year > 55 && year < 245) ? 1 : 4) {
    for (int month = 0; month <= 13; ++month) {
      for (int day = 0; day <= 33; ++day)
        dates.push_back(static_cast<float>(year * 10000 + month * 100 + day));
    }
  }
  for (const float odd : {-1.0f, 991231.5f, 1000101.25f, 1e9f, -1000101.0f, 3e7f,
                          std::numeric_limits<float>::quiet_NaN()})
    dates.insert(dates.begin() + 5000, odd);
  for (const float date : dates) {
    const DayNumber day = DateFloatToDay(date);
    ASSERT_EQ(std::string(text, writer.UserDateOf(text, date)), FormatUserDate(day)) << date;
    ASSERT_EQ(std::string(text, writer.IsoDateOf(text, date)),
              std::string(text, WriteIsoDate(text, day)))
        << date;
  }

  // Typed, then shown again (a text not read would show as 01:02:03); PackTime's own texts
  // below anchor the packing.
  std::string shown;
  for (const char* typed : {"09:15", "09:15:00", "23:59:58", "17:05:17", "00:00"})
    shown += FormatTimeText(ParseTimeText(typed).value_or(PackTime(1, 2, 3))) + " ";
  EXPECT_EQ(shown, "09:15:00 09:15:00 23:59:58 17:05:17 00:00:00 ");
  for (const char* bad : {"24:00", "12:60", "12:00:60", "9:15", "09-15", "09:15:", "0a:15", ""})
    EXPECT_EQ(ParseTimeText(bad), std::nullopt) << bad;
  EXPECT_EQ(FormatTimeText(PackTime(9, 5, 0)), "09:05:00");
  EXPECT_EQ(BarText(YmdToDay(2013, 11, 15), PackTime(9, 15, 0), true), "11/15/13 09:15:00");
  EXPECT_EQ(BarText(YmdToDay(2013, 11, 15), PackTime(9, 15, 0), false), "11/15/13");
}

}  // namespace
}  // namespace voltrim
