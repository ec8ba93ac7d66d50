#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace voltrim {

// Days counted from Sunday 1 January 1961 (day 1); 0 means "no date".
using DayNumber = std::uint16_t;
// A time of day to the second: hours*3600 + minutes*60 + seconds; 0 is midnight or "no
// time". Wider than 16 bits: a stored HHMMSS holds odd seconds, and a time shown or looked
// up must be the one the file holds.
using PackedTime = std::uint32_t;
// A Microsoft Binary Format single as stored on disk, byte 0 first.
using MbfBytes = std::array<std::uint8_t, 4>;

struct Ymd {
  int year = 0;  // years since 1900
  int month = 0;
  int day = 0;
};

struct Hms {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
};

// MBF <-> IEEE single. An MBF exponent byte of 0 reads as +0.0 whatever the other bytes.
// Inline: the series readers convert every stored number through it.
inline float MbfToIeee(const std::uint8_t* mbf) {
  if (mbf[3] == 0) return 0.0f;
  const auto exponent = static_cast<std::uint8_t>(mbf[3] - 2);
  const std::uint32_t sign = mbf[2] >> 7u;
  const std::uint32_t b2 = (mbf[2] & 0x7Fu) | ((exponent & 1u) << 7u);
  const std::uint32_t b3 = static_cast<std::uint32_t>(exponent >> 1u) | (sign << 7u);
  return std::bit_cast<float>(mbf[0] | (static_cast<std::uint32_t>(mbf[1]) << 8u) | (b2 << 16u) |
                              (b3 << 24u));
}
inline float MbfToIeee(const MbfBytes& mbf) { return MbfToIeee(mbf.data()); }
// The same from the four stored bytes read as one little-endian word, without branches:
// loops over many numbers through it vectorise, or stay short where they cannot.
inline std::uint32_t LoadLittleEndian32(const std::uint8_t* at) {
  std::uint32_t word = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&word, at, 4);
  } else {
    word = at[0] | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
  }
  return word;
}
inline std::uint32_t MbfWordToIeeeBits(std::uint32_t mbf) {
  const std::uint32_t exponent = mbf >> 24;
  // Sign from byte 2 to bit 31, exponent less 2 into bits 23-30, mantissa unchanged.
  const std::uint32_t ieee =
      ((mbf & 0x800000u) << 8) | (((exponent - 2u) & 0xFFu) << 23) | (mbf & 0x7FFFFFu);
  return ieee & (exponent != 0 ? 0xFFFFFFFFu : 0u);
}
inline float MbfWordToIeee(const std::uint8_t* mbf) {
  return std::bit_cast<float>(MbfWordToIeeeBits(LoadLittleEndian32(mbf)));
}
// Converts count MBF singles laid end to end into IEEE singles in place (same results as
// MbfToIeee), fast enough for whole series.
void MbfToIeeeInPlace(std::uint8_t* numbers, std::size_t count);
MbfBytes IeeeToMbf(float value);
// Inline, like MbfToIeee: a rewrite converts every field it changes back through it.
inline void IeeeToMbf(float value, std::uint8_t* out) {
  if (value == 0.0f) {
    out[0] = out[1] = out[2] = out[3] = 0;
    return;
  }
  const auto bits = std::bit_cast<std::uint32_t>(value);
  const std::uint32_t b2 = (bits >> 16) & 0xFFu;
  const std::uint32_t b3 = bits >> 24;
  const std::uint32_t sign = b3 >> 7;
  out[0] = static_cast<std::uint8_t>(bits & 0xFFu);
  out[1] = static_cast<std::uint8_t>((bits >> 8) & 0xFFu);
  out[2] = static_cast<std::uint8_t>((b2 & 0x7Fu) | (sign << 7));
  out[3] = static_cast<std::uint8_t>(((b3 << 1) & 0xFFu) + (b2 >> 7) + 2u);
}
// False for values that have no MBF form (magnitude 2^127 and above, infinities, NaN).
inline bool HasMbfForm(float value) {
  return ((std::bit_cast<std::uint32_t>(value) >> 23) & 0xFFu) < 254u;
}

// A little-endian 16-bit integer of the index files.
inline std::int16_t GetInt16(const std::uint8_t* at) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(at[0] | (at[1] << 8)));
}

// Days of a month (1-12) of a year written in full.
inline int DaysInMonth(int year, int month) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}
DayNumber YmdToDay(int year, int month, int day);
Ymd DayToYmd(DayNumber day);
DayNumber DateFloatToDay(float dateFloat);

// Stored dates converted one after another, each as DateFloatToDay converts it. A series'
// dates come month by month, so a date of the month last converted costs a subtraction
// where the general conversion divides twice and looks its month up.
class DateFloatDays {
 public:
  DayNumber operator()(float dateFloat) {
    if (dateFloat >= 0.0f && dateFloat < 16777216.0f) {
      const auto whole = static_cast<int>(dateFloat);
      const auto dayInMonth = static_cast<unsigned>(whole - monthBase_);
      if (dayInMonth < 100u && static_cast<float>(whole) == dateFloat)
        return static_cast<DayNumber>(day0_ + dayInMonth);
    }
    return OfAnotherMonth(dateFloat);
  }

 private:
  DayNumber OfAnotherMonth(float dateFloat);

  int monthBase_ = -100;  // YYYMM00 of the month last converted; none yet
  unsigned day0_ = 0;     // the day number of its day 0
};

// The IEEE DateFloat value (YYYMMDD form) of a day.
float DayToDateValue(DayNumber day);
MbfBytes DayToDateFloat(DayNumber day);

PackedTime TimeFloatToPacked(float timeFloat);
PackedTime PackTime(int hours, int minutes, int seconds);
Hms UnpackTime(PackedTime time);
// The IEEE TimeFloat value (HHMMSS form) of a packed time.
float PackedToTimeValue(PackedTime time);

// A text layout code, 1..12; the program shows and reads dates with code 3 and '/'.
using DateTextFormat = int;
inline constexpr DateTextFormat kDateTextMmDdYy = 3;
DayNumber ParseDateText(std::string_view text, DateTextFormat code);
std::string FormatDateText(DayNumber day, DateTextFormat code, char separator);
// MM/DD/YY, as everywhere the user sees or types a date.
inline std::string FormatUserDate(DayNumber day) {
  return FormatDateText(day, kDateTextMmDdYy, '/');
}
inline DayNumber ParseUserDate(std::string_view text) {
  return ParseDateText(text, kDateTextMmDdYy);
}

bool IsWeekend(DayNumber day);
DayNumber PreviousWeekday(DayNumber day);
DayNumber NextWeekday(DayNumber day);

}  // namespace voltrim
