#pragma once

#include <cstddef>
#include <string>

#include "datafiles/format/encodings.h"

namespace voltrim {

// Room every writer below needs at out.
inline constexpr std::size_t kNumberTextMax = 64;

// Writes value exactly as printf's "%.<decimals>f" prints it (decimals 0 to 4), the
// correct rounding of the exact binary value included, and returns the end of the text.
// Exports and grids print hundreds of thousands of values, and snprintf was most of
// their time.
char* WriteFixed(char* out, float value, int decimals);
void AppendFixed(std::string& text, float value, int decimals);

// The shortest plain decimal (no exponent, "." point) that reads back as the same single.
char* WriteRoundTrip(char* out, float value);

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

 private:
  Ymd Split(DayNumber day);

  int monthBase_ = 0;  // day number of day 0 of the cached month
  Ymd month_;          // its year and month; year 0 when nothing is cached
};

// HH:MM:SS.
char* WriteIsoTime(char* out, PackedTime time);

}  // namespace voltrim
