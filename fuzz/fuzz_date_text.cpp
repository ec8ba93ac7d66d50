// Date text parsing in every layout, and formatting of whatever it yields.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datafiles/format/encodings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int code = data[0] % 14;  // 0 and 13 lie outside the layouts
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  const voltrim::DayNumber day = voltrim::ParseDateText(text, code);
  const std::string shown = voltrim::FormatDateText(day, code, '/');
  if (code >= 1 && code <= 12 && shown.empty()) __builtin_trap();
  (void)voltrim::DayToDateFloat(day);
  if (size >= 5) (void)voltrim::DateFloatToDay(voltrim::MbfToIeee(data + 1));
  return 0;
}
