#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The text rules of stored settings, apart from the storage itself.
namespace voltrim::settings_text {

// Reads go through a buffer of this many bytes, the terminating NUL included, so a stored
// text of 260 bytes or more reads as the default.
inline constexpr std::size_t kReadBufferBytes = 260;

inline bool FitsReadBuffer(std::string_view text) { return text.size() < kReadBufferBytes; }

// A decimal integer from the start of the text, as "%d" reads it: leading white space and
// one sign are allowed, anything after the digits is ignored. Nothing when no digit follows
// or when the number does not fit an int.
std::optional<int> ParseLeadingInt(std::string_view text);

// Stored texts end at their first NUL, like the C strings they were.
std::string_view UpToNul(std::string_view text);

// Section and value names become QSettings keys without "/" or "\" turning them into
// nested groups: those two, "%" and the empty name are percent-encoded.
std::string EncodeKeyPart(std::string_view name);
std::string DecodeKeyPart(std::string_view encoded);

}  // namespace voltrim::settings_text
