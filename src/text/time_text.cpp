#include "text/time_text.h"

#include "text/number_format.h"

namespace voltrim {

namespace {

// Two digits at text[at], or -1.
int TwoDigits(std::string_view text, std::size_t at) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!digit(text[at]) || !digit(text[at + 1])) return -1;
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

}  // namespace

std::string FormatTimeText(PackedTime time) {
  char text[kNumberTextMax];
  return std::string(text, WriteIsoTime(text, time));
}

std::optional<PackedTime> ParseTimeText(std::string_view text) {
  if (text.size() != 5 && text.size() != 8) return std::nullopt;
  if (text[2] != ':' || (text.size() == 8 && text[5] != ':')) return std::nullopt;
  const int hours = TwoDigits(text, 0);
  const int minutes = TwoDigits(text, 3);
  const int seconds = text.size() == 8 ? TwoDigits(text, 6) : 0;
  if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
    return std::nullopt;
  return PackTime(hours, minutes, seconds);
}

std::string BarText(DayNumber day, PackedTime time, bool withTime) {
  std::string text = FormatUserDate(day);
  if (withTime) text += " " + FormatTimeText(time);
  return text;
}

}  // namespace voltrim
