// XMASTER parsing and its symbol matching over untrusted bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "datafiles/format/xmaster.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // First byte: length of the search text that follows; the rest is the XMASTER.
  const std::size_t textLength = std::min<std::size_t>(data[0] % 20, size - 1);
  const std::string text(reinterpret_cast<const char*>(data + 1), textLength);
  voltrim::XmasterFile xmaster;
  if (voltrim::ParseXmasterBytes(data + 1 + textLength, size - 1 - textLength, xmaster) !=
      voltrim::kOk)
    return 0;
  if (xmaster.records.size() > static_cast<std::size_t>(xmaster.countedRecords)) __builtin_trap();
  for (const voltrim::XmasterRecord& record : xmaster.records) {
    if (record.symbol.size() > voltrim::kXmasterSymbolSize ||
        record.name.size() > voltrim::kXmasterNameSize || record.fieldCount > 8)
      __builtin_trap();
    (void)voltrim::XmasterRecordMatches(record, text);
  }
  return 0;
}
