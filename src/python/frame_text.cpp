#include "frame_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <set>

namespace voltrim::python {

namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;

// The calendar date of a day counted from 1 January 1970 (proleptic Gregorian).
void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

void AppendStamp(std::string& line, std::int64_t stamp, bool withTime) {
  if (stamp == kNotATime) return;
  const std::int64_t seconds = FloorDiv(stamp, kNanosPerSecond);
  const std::int64_t nanos = stamp - seconds * kNanosPerSecond;
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t ofDay = seconds - days * kSecondsPerDay;
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  char text[64];
  int length = std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  if (withTime) {
    length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                            " %02d:%02d:%02d", static_cast<int>(ofDay / 3600),
                            static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
    // A fraction of a second is no time a bar can hold: written, it is refused by name.
    if (nanos != 0)
      length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                              ".%09lld", static_cast<long long>(nanos));
  }
  line.append(text, static_cast<std::size_t>(length));
}

template <typename Number>
void AppendNumber(std::string& line, Number value) {
  if (std::isnan(value)) return;
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  line.append(text, end);
}

// A field holding the delimiter, a quote or a line end stands in double quotes.
void AppendText(std::string& line, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    line += text;
    return;
  }
  line += '"';
  for (const char c : text) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

// The header decides the delimiter (its first tab, else semicolon, else comma): a name
// must not hold another one.
std::string HeaderName(std::string name) {
  for (char& c : name)
    if (c == '\t' || c == ';' || c == ',' || c == '"' || c == '\r' || c == '\n') c = ' ';
  return name;
}

bool HasTimeOfDay(std::int64_t stamp) {
  return stamp != kNotATime && stamp - FloorDiv(stamp, kSecondsPerDay * kNanosPerSecond) *
                                           kSecondsPerDay * kNanosPerSecond !=
                                   0;
}

const std::string& SymbolOf(const std::vector<FrameColumn>& columns, int symbolColumn,
                            std::size_t row) {
  static const std::string kWhole;
  if (symbolColumn < 0) return kWhole;
  const auto& cell = columns[static_cast<std::size_t>(symbolColumn)].texts[row];
  return cell ? *cell : kWhole;
}

// The symbols (or the whole frame, "") that have a row with a time of day.
std::set<std::string> TimedSymbols(const std::vector<FrameColumn>& columns, std::size_t rows,
                                   int symbolColumn) {
  std::set<std::string> timed;
  for (const FrameColumn& column : columns) {
    if (column.kind != FrameColumn::Kind::kTimestamps) continue;
    for (std::size_t row = 0; row < rows; ++row)
      if (HasTimeOfDay(column.stamps[row])) timed.insert(SymbolOf(columns, symbolColumn, row));
  }
  return timed;
}

}  // namespace

std::string FrameText(const std::vector<FrameColumn>& columns, std::size_t rows, int symbolColumn) {
  std::string text;
  text.reserve((rows + 1) * 16 * (columns.size() + 1));
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) text += ',';
    text += HeaderName(columns[c].name);
  }
  text += '\n';
  const std::set<std::string> timed = TimedSymbols(columns, rows, symbolColumn);
  for (std::size_t row = 0; row < rows; ++row) {
    const bool withTime = timed.count(SymbolOf(columns, symbolColumn, row)) > 0;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (c > 0) text += ',';
      const FrameColumn& column = columns[c];
      switch (column.kind) {
        case FrameColumn::Kind::kSingles:
          AppendNumber(text, column.singles[row]);
          break;
        case FrameColumn::Kind::kDoubles:
          AppendNumber(text, column.doubles[row]);
          break;
        case FrameColumn::Kind::kTimestamps:
          AppendStamp(text, column.stamps[row], withTime);
          break;
        case FrameColumn::Kind::kTexts:
          if (column.texts[row]) AppendText(text, *column.texts[row]);
          break;
      }
    }
    text += '\n';
  }
  return text;
}

}  // namespace voltrim::python
