// The settings seeding file parser over untrusted text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/seed_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::size_t characters = 0;
  for (const voltrim::SeedLine& line : voltrim::ParseSeedText(text)) {
    characters += line.name.size() + line.value.size();
    // A value name is what stands before the first "=", so it never holds one.
    if (line.kind == voltrim::SeedLine::Kind::Value &&
        line.name.find('=') != std::string_view::npos)
      __builtin_trap();
  }
  // Nothing is made up: every character comes from the text.
  if (characters > size) __builtin_trap();
  return 0;
}
