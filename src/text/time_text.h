#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "datafiles/format/encodings.h"

namespace voltrim {

// The time of day of a quote as the program shows it: HH:MM:SS. One layout everywhere (the
// grid, voltrim-cli, the CSV export, the time field), so that a series whose bars fall on
// whole minutes reads the same as one with seconds, and scripts can rely on it.
std::string FormatTimeText(PackedTime time);

// A time typed as HH:MM or HH:MM:SS (hours 00-23, minutes and seconds 00-59).
std::optional<PackedTime> ParseTimeText(std::string_view text);

// A date and, for a series with a time of day, its time: "11/15/13 09:15:00".
std::string BarText(DayNumber day, PackedTime time, bool withTime);

}  // namespace voltrim
