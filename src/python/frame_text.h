#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace voltrim::python {

// A column of a pandas frame as Python hands it over: numbers, timestamps or text.
struct FrameColumn {
  enum class Kind { kSingles, kDoubles, kTimestamps, kTexts };
  std::string name;
  Kind kind = Kind::kDoubles;
  const float* singles = nullptr;        // NaN: no value
  const double* doubles = nullptr;       // NaN: no value
  const std::int64_t* stamps = nullptr;  // nanoseconds since 1970, kNotATime: none
  std::vector<std::optional<std::string>> texts;
};

// pandas' NaT.
inline constexpr std::int64_t kNotATime = INT64_MIN;
inline constexpr std::int64_t kNanosPerSecond = 1'000'000'000;

// The frame's rows as the comma-separated file an import reads, so that a frame goes
// through exactly the checks, rules and messages a file does: a header of the column
// names, then a line per row (line 2 is the first row). Numbers take the shortest digits
// that give them back; a missing value is an empty field. A timestamp is written as its
// date, followed by its time of day when a row of the same symbol (the text of column
// symbolColumn, or the whole frame when it is negative) has a time other than midnight.
std::string FrameText(const std::vector<FrameColumn>& columns, std::size_t rows, int symbolColumn);

}  // namespace voltrim::python
