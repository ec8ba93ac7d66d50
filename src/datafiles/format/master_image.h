#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/status.h"

namespace voltrim {

// A MASTER file held as its stored bytes, for the operations that rewrite it. Records are
// the whole 53-byte records the header counts; bytes after them (a short file's tail or
// records beyond the count) are no records and are carried along unchanged.
struct MasterImage {
  std::vector<std::uint8_t> bytes;

  int RecordCount() const;  // records the header counts that the file holds
  std::uint8_t* Record(int index) { return bytes.data() + Offset(index); }
  const std::uint8_t* Record(int index) const { return bytes.data() + Offset(index); }
  static std::size_t Offset(int index) {
    return kMasterRecordSize * (static_cast<std::size_t>(index) + 1);
  }
  std::int16_t HeaderField(std::size_t offset) const;
  void SetHeaderField(std::size_t offset, std::int16_t value);
};

inline constexpr std::size_t kHeaderRecordCount = 0;
inline constexpr std::size_t kHeaderHighestFileNumber = 2;

// kFileNotFound when the file is missing, kFileRead when it cannot be read, kDamagedFile
// without a whole header or with a negative count.
Status ReadMasterImage(const std::string& masterPath, MasterImage& out);

// The MASTER of a portfolio folder (an existing case variant, else "MASTER").
std::string MasterPathIn(std::string_view directory);

// The symbol field cut at the first byte of value 32 or less or 128 or more.
std::string SymbolText(const std::uint8_t* record);

}  // namespace voltrim
