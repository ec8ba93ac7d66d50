#include "datafiles/format/encodings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

namespace voltrim {
namespace {

std::uint32_t Bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, 4);
  return b;
}

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(Mbf, KnownValuesAndEveryStorableExponentRoundTripBitForBit) {
  const struct {
    float value;
    MbfBytes mbf;
  } cases[] = {{-1.0f, {0x00, 0x00, 0x80, 0x81}}, {10.25f, {0x00, 0x00, 0x24, 0x84}}, {0, {}}};
  for (const auto& c : cases) {
    EXPECT_EQ(IeeeToMbf(c.value), c.mbf) << c.value;
    EXPECT_EQ(MbfToIeee(c.mbf), c.value) << c.value;
  }
  EXPECT_EQ(IeeeToMbf(-0.0f), (MbfBytes{0, 0, 0, 0}));
  EXPECT_FALSE(HasMbfForm(kNaN));

  // Every exponent, one by one and through the whole-buffer conversion, which must agree with
  // the single conversion for every exponent byte a stored file may hold.
  std::mt19937 random(1234);
  std::vector<std::uint8_t> buffer;
  std::vector<std::uint32_t> expected;
  for (std::uint32_t exponent = 1; exponent <= 253; ++exponent) {
    std::vector<std::uint32_t> mantissas = {0, 1, 0x400000, 0x7FFFFF, 0x2AAAAA, 0x155555};
    for (int i = 0; i < 16; ++i) mantissas.push_back(random() & 0x7FFFFFu);
    for (const std::uint32_t sign : {0u, 1u << 31}) {
      for (const std::uint32_t mantissa : mantissas) {
        float value;
        const std::uint32_t bits = sign | (exponent << 23) | mantissa;
        std::memcpy(&value, &bits, 4);
        const MbfBytes mbf = IeeeToMbf(value);
        ASSERT_EQ(mbf[3], exponent + 2);
        ASSERT_EQ(Bits(MbfToIeee(mbf)), bits) << exponent << " " << mantissa;
        ASSERT_TRUE(HasMbfForm(value));
        const MbfBytes raw = {mbf[0], mbf[1], mbf[2], static_cast<std::uint8_t>(exponent)};
        for (const MbfBytes& m : {mbf, raw}) {
          ASSERT_EQ(Bits(MbfWordToIeee(m.data())), Bits(MbfToIeee(m)));
          buffer.insert(buffer.end(), m.begin(), m.end());
          expected.push_back(Bits(MbfToIeee(m)));
        }
      }
    }
  }
  buffer.insert(buffer.end(), {0xFF, 0x12, 0xFF, 0x00});  // exponent byte 0 is zero
  expected.push_back(0);
  MbfToIeeeInPlace(buffer.data(), buffer.size() / 4);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    std::uint32_t got;
    std::memcpy(&got, &buffer[4 * i], 4);
    ASSERT_EQ(got, expected[i]) << i;
  }
}

TEST(DayNumbers, KnownDatesAndEveryNumberRoundTrips) {
  const struct {
    int year, month, day;
    DayNumber expected;
  } cases[] = {{1961, 1, 1, 1},   {99, 12, 31, 14244}, {100, 1, 1, 14245},   {2000, 2, 29, 14304},
               {1960, 12, 31, 0}, {1960, 1, 1, 65172}, {2100, 2, 28, 50828}, {1961, 13, 1, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(YmdToDay(c.year, c.month, c.day), c.expected)
        << c.year << "-" << c.month << "-" << c.day;
  // Every calendar date in order, counted independently (every fourth year leap, 2100
  // included): consecutive dates are consecutive numbers 1 to 65535, both ways and as text.
  static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int expected = 0;
  for (int year = 1961; expected < 65535; ++year) {
    for (int month = 1; month <= 12 && expected < 65535; ++month) {
      const int days = kMonthDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
      for (int day = 1; day <= days && expected < 65535; ++day) {
        ++expected;
        ASSERT_EQ(YmdToDay(year, month, day), expected) << year << "-" << month << "-" << day;
        const Ymd ymd = DayToYmd(static_cast<DayNumber>(expected));
        ASSERT_EQ(std::tuple(ymd.year + 1900, ymd.month, ymd.day), std::tuple(year, month, day))
            << expected;
        char text[48];
        std::snprintf(text, sizeof text, "%02d/%02d/%02d", month, day, year % 100);
        ASSERT_EQ(FormatUserDate(static_cast<DayNumber>(expected)), text) << expected;
      }
    }
  }
}

TEST(DateAndTimeFloats, ConvertBothWaysAndRefuseNonDates) {
  EXPECT_EQ(DateFloatToDay(1000101.0f), 14245);
  EXPECT_EQ(DayToDateFloat(14245), IeeeToMbf(1000101.0f));
  EXPECT_EQ(DayToDateValue(14244), 991231.0f);
  EXPECT_EQ(DateFloatToDay(1000103.5f), YmdToDay(100, 1, 3));
  // Values that are no date at all give "no date" instead of overflowing.
  for (const float no : {0.0f, kNaN, kInf, 3.0e30f, 1001301.0f, -1000103.0f})
    EXPECT_EQ(DateFloatToDay(no), 0) << no;
  // The quick conversion of whole values must agree with the definition for all of them.
  for (int v = 0; v < (1 << 24); v += 7)
    ASSERT_EQ(DateFloatToDay(static_cast<float>(v)), YmdToDay(v / 10000, v / 100 % 100, v % 100))
        << v;
  // Converted one after another, remembering the month: the same days, within a month, into
  // non-dates and out of the table's years and back.
  DateFloatDays days;
  for (int v = 0; v < (1 << 24); v += 7)
    for (const float f : {static_cast<float>(v), static_cast<float>(v) + 0.25f,
                          static_cast<float>(v - v % 100 + 99)})
      ASSERT_EQ(days(f), DateFloatToDay(f)) << f;
  for (const float f : {1000101.0f, kNaN, 1000102.0f, 1001301.0f, 1000100.0f, 1000199.0f,
                        -1000103.0f, 2560101.0f, 2560102.0f, 1000131.0f, 3.0e30f, 1000103.0f})
    EXPECT_EQ(days(f), DateFloatToDay(f)) << f;
  // Times to the second, an odd one too, and back to the stored value.
  EXPECT_EQ(PackTime(14, 30, 59), 52259u);
  const Hms hms = UnpackTime(52259);
  EXPECT_EQ(hms.hours * 10000 + hms.minutes * 100 + hms.seconds, 143059);
  for (const float stored : {143000.0f, 170517.0f, 235959.0f, 1.0f})
    EXPECT_EQ(PackedToTimeValue(TimeFloatToPacked(stored)), stored) << stored;
  EXPECT_EQ(TimeFloatToPacked(kNaN), 0u);
}

TEST(DateText, ParsesAndFormatsAsTheLayoutsSay) {
  const std::pair<const char*, int> dates[] = {
      {"12/31/59", 3}, {"  \"01/01/60", 3}, {"01/01/1950", 4}, {"03012000", 12}};
  const DayNumber expected[] = {YmdToDay(2059, 12, 31), YmdToDay(1960, 1, 1), YmdToDay(2050, 1, 1),
                                YmdToDay(2000, 1, 3)};
  for (std::size_t i = 0; i < std::size(dates); ++i)
    EXPECT_EQ(ParseDateText(dates[i].first, dates[i].second), expected[i]) << dates[i].first;
  for (const auto& [text, code] : {std::pair{"12/31/99", 13}, {"00/00/00", 3}, {"13/01/99", 3}})
    EXPECT_EQ(ParseDateText(text, code), 0) << text << " code " << code;

  EXPECT_EQ(FormatDateText(14244, 6, '.'), "31.12.1999");
  EXPECT_EQ(FormatDateText(0, 3, '/'), "00/00/00");
  const DayNumber last = YmdToDay(2059, 12, 31);
  for (int code = 1; code <= 12; ++code)
    for (DayNumber day = 1; day <= last; day = static_cast<DayNumber>(day + 97))
      ASSERT_EQ(ParseDateText(FormatDateText(day, code, '/'), code), day) << code << " " << day;
}

}  // namespace
}  // namespace voltrim
