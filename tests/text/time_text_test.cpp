#include <gtest/gtest.h>

#include <optional>

#include "text/time_text.h"

namespace voltrim {
namespace {

// What a typed or --time text means: HH:MM or HH:MM:SS, even seconds only (times are
// stored to two seconds), and always shown back as HH:MM:SS.
TEST(TimeText, ParsesHoursMinutesAndEvenSecondsAndShowsThemBack) {
  const std::pair<const char*, std::optional<PackedTime>> cases[] = {
      {"09:15", PackTime(9, 15, 0)},
      {"09:15:00", PackTime(9, 15, 0)},
      {"23:59:58", PackTime(23, 59, 58)},
      {"00:00", PackTime(0, 0, 0)},
      {"09:15:01", std::nullopt},  // odd second: would be stored as another time
      {"24:00", std::nullopt},
      {"12:60", std::nullopt},
      {"12:00:60", std::nullopt},
      {"9:15", std::nullopt},
      {"09-15", std::nullopt},
      {"09:15:", std::nullopt},
      {"0a:15", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& [text, time] : cases) {
    EXPECT_EQ(ParseTimeText(text), time) << text;
    if (time && std::string(text).size() == 8) {
      EXPECT_EQ(FormatTimeText(*time), text);
    }
  }
  EXPECT_EQ(FormatTimeText(PackTime(9, 5, 0)), "09:05:00");
  EXPECT_EQ(BarText(YmdToDay(2013, 11, 15), PackTime(9, 15, 0), true), "11/15/13 09:15:00");
  EXPECT_EQ(BarText(YmdToDay(2013, 11, 15), PackTime(9, 15, 0), false), "11/15/13");
}

}  // namespace
}  // namespace voltrim
