#include "datafiles/format/master_image.h"

#include <algorithm>

#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

int MasterImage::RecordCount() const {
  if (bytes.size() < kMasterRecordSize) return 0;
  const std::size_t whole = bytes.size() / kMasterRecordSize - 1;
  const std::int16_t counted = HeaderField(kHeaderRecordCount);
  if (counted <= 0) return 0;
  return static_cast<int>(std::min(whole, static_cast<std::size_t>(counted)));
}

std::int16_t MasterImage::HeaderField(std::size_t offset) const {
  return static_cast<std::int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void MasterImage::SetHeaderField(std::size_t offset, std::int16_t value) {
  const auto raw = static_cast<std::uint16_t>(value);
  bytes[offset] = static_cast<std::uint8_t>(raw & 0xFF);
  bytes[offset + 1] = static_cast<std::uint8_t>(raw >> 8);
}

Status ReadMasterImage(const std::string& masterPath, MasterImage& out) {
  if (!file_ops::Exists(masterPath)) return kFileNotFound;
  const Status status = ReadWholeFile(masterPath, out.bytes, kMaxPortfolioFileBytes);
  if (status == kFileOpen) return kFileNotFound;
  if (status != kOk) return status;
  if (out.bytes.size() < kMasterRecordSize || out.HeaderField(kHeaderRecordCount) < 0) {
    return kDamagedFile;
  }
  return kOk;
}

std::string MasterPathIn(std::string_view directory) {
  return ResolveInDirectory(directory, "MASTER");
}

std::string SymbolText(const std::uint8_t* record) {
  std::string text;
  for (std::size_t i = 0; i < kSymbolFieldSize; ++i) {
    const std::uint8_t c = record[master_offset::kSymbol + i];
    if (c <= 32 || c >= 128) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

}  // namespace voltrim
