// DOP text parsing and the layout checks that follow it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datafiles/format/series.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  voltrim::ColumnLayout layout;
  if (voltrim::ParseDopText(text, layout) != voltrim::kOk) return 0;
  const int fieldCount = static_cast<int>(size % 20);
  if (voltrim::CheckColumnLayout(layout, fieldCount) != voltrim::kOk) return 0;
  // A layout that passed the checks must decode any record of its length safely.
  std::uint8_t record[4 * voltrim::kMaxFieldCount] = {};
  for (std::size_t i = 0; i < sizeof record && i < size; ++i) record[i] = data[i];
  (void)voltrim::DecodeQuoteRecord(record, layout, fieldCount);
  return 0;
}
