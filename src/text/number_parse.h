#pragma once

#include <optional>
#include <string_view>

namespace voltrim {

// Reads a value text the way the quote dialogs always have: leading blanks skipped, then
// the longest prefix that forms a decimal number (sign, digits, point, exponent), so
// "1.5.2" reads 1.5. No number at all ("", ".", "N/A") gives nothing. Independent of the
// process locale. A magnitude beyond single precision reads as infinity, which no write
// accepts.
std::optional<float> ParseNumberText(std::string_view text);

}  // namespace voltrim
