#pragma once

#include <string>
#include <string_view>
#include <vector>

// The initialisation file that seeds the settings on the very first start: INI-like lines,
// read by the old line rules so that existing files seed exactly what they always did.
namespace voltrim {

struct SeedLine {
  enum class Kind { Section, Value };
  Kind kind;
  std::string name;   // section name, or value name (everything before the first "=")
  std::string value;  // value text (everything after the first "="); empty for a section

  bool operator==(const SeedLine&) const = default;
};

// Each read takes at most this many characters; a longer line is read as several lines.
inline constexpr std::size_t kSeedReadChars = 519;

// The section headers and value lines of the file's text, in order. Value lines before the
// first section header have nowhere to go and are dropped; comments and blank lines are
// ignored.
std::vector<SeedLine> ParseSeedText(std::string_view text);

}  // namespace voltrim
