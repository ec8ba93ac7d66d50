#include "datafiles/format/emaster.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "datafiles/format/encodings.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

namespace {

using Record = std::vector<std::uint8_t>;

void PutUint32(std::uint8_t* at, std::uint32_t bits) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

float GetFloat(const std::uint8_t* at) {
  std::uint32_t bits = 0;
  for (int i = 3; i >= 0; --i) bits = (bits << 8) | at[i];
  return std::bit_cast<float>(bits);
}

// A NUL-padded text field; the text is cut to the field's width.
void PutText(std::uint8_t* at, std::size_t width, std::string_view text) {
  std::memset(at, 0, width);
  std::memcpy(at, text.data(), std::min(width, text.size()));
}

std::string GetText(const std::uint8_t* at, std::size_t width) {
  const auto* begin = reinterpret_cast<const char*>(at);
  return std::string(begin, std::find(begin, begin + width, '\0'));
}

// MASTER's blank-padded name as EMASTER stores it: trailing blanks gone, up to a NUL.
std::string MasterName(const std::uint8_t* masterRecord) {
  std::string name = GetText(masterRecord + master_offset::kName, kNameFieldSize);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

void PutDate(std::uint8_t* emasterRecord, std::size_t offset, const std::uint8_t* mbf) {
  const float value = MbfToIeee(mbf);
  PutUint32(emasterRecord + offset, std::bit_cast<std::uint32_t>(value));
  if (offset != emaster_offset::kFirstDate) return;
  // The same date as a four-digit-year number; a value that is no date leaves it zero.
  const bool isDate = value > 0.0f && value < 2.0e6f;
  const auto longDate = isDate ? static_cast<std::uint32_t>(std::lround(value)) + 19000000u : 0u;
  PutUint32(emasterRecord + emaster_offset::kFirstDateLong, longDate);
}

bool FieldDiffers(const std::uint8_t* a, const std::uint8_t* b, std::size_t offset,
                  std::size_t width) {
  return std::memcmp(a + offset, b + offset, width) != 0;
}

}  // namespace

int EmasterImage::CountedRecords() const {
  if (bytes.size() < kEmasterRecordSize) return 0;
  return std::max<int>(GetInt16(bytes.data()), 0);
}

std::int16_t EmasterImage::HeaderField(std::size_t offset) const {
  return GetInt16(bytes.data() + offset);
}

void EmasterImage::SetHeaderField(std::size_t offset, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  bytes[offset] = static_cast<std::uint8_t>(bits & 0xFFu);
  bytes[offset + 1] = static_cast<std::uint8_t>(bits >> 8);
}

int EmasterImage::RecordCount() const {
  if (bytes.size() < kEmasterRecordSize) return 0;
  const auto whole = static_cast<int>(bytes.size() / kEmasterRecordSize) - 1;
  return std::min(whole, CountedRecords());
}

Status ParseEmasterBytes(const std::uint8_t* data, std::size_t size, EmasterImage& out) {
  out.bytes.assign(data, data + size);
  if (size < kEmasterRecordSize || GetInt16(data) < 0) return kDamagedFile;
  return kOk;
}

Status ReadEmasterImage(const std::string& path, EmasterImage& out) {
  out.bytes.clear();
  if (!file_ops::NameExists(path)) return kFileNotFound;
  std::vector<std::uint8_t> bytes;
  const Status status = ReadWholeFile(path, bytes, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  return ParseEmasterBytes(bytes.data(), bytes.size(), out);
}

EmasterEntry DecodeEmasterRecord(const std::uint8_t* record) {
  EmasterEntry entry;
  entry.fileNumber = record[emaster_offset::kFileNumber];
  entry.fieldCount = record[emaster_offset::kFieldCount];
  entry.symbol = GetText(record + emaster_offset::kSymbol, kEmasterSymbolSize);
  entry.name = GetText(record + emaster_offset::kName, kEmasterNameSize);
  entry.longName = GetText(record + emaster_offset::kLongName, kEmasterLongNameSize);
  entry.periodicity = static_cast<char>(record[emaster_offset::kPeriodicity]);
  entry.firstDate = GetFloat(record + emaster_offset::kFirstDate);
  entry.lastDate = GetFloat(record + emaster_offset::kLastDate);
  return entry;
}

std::string EmasterPathIn(std::string_view directory) {
  return ResolveInDirectory(directory, "EMASTER");
}

std::string EmasterSymbolText(const std::uint8_t* record) {
  std::string text;
  for (std::size_t i = 0; i < kEmasterSymbolSize; ++i) {
    const std::uint8_t c = record[emaster_offset::kSymbol + i];
    if (c <= 32 || c >= 128) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

bool EmasterMirrors(const EmasterImage& emaster, const std::vector<std::uint8_t>& masterBytes) {
  const MasterImage master{masterBytes};
  const int n = master.RecordCount();
  if (masterBytes.size() < kMasterRecordSize || emaster.bytes.size() < kEmasterRecordSize)
    return false;
  if (emaster.CountedRecords() != n || emaster.RecordCount() != n) return false;
  for (int i = 0; i < n; ++i) {
    const std::uint8_t* m = master.Record(i);
    const std::uint8_t* e = emaster.Record(i);
    if (m[master_offset::kFileNumber] != e[emaster_offset::kFileNumber]) return false;
    // EMASTER holds 14 characters of a symbol MASTER may hold 16 of.
    if (SymbolText(m).substr(0, kEmasterSymbolSize) != EmasterSymbolText(e)) return false;
  }
  return true;
}

std::vector<std::uint8_t> EmasterRecordFor(const std::uint8_t* masterRecord) {
  Record e(kEmasterRecordSize, 0);
  e[0] = '6';
  e[1] = '6';
  e[emaster_offset::kFileNumber] = masterRecord[master_offset::kFileNumber];
  const int fields = masterRecord[master_offset::kFieldCount];
  e[emaster_offset::kFieldCount] = static_cast<std::uint8_t>(fields);
  e[emaster_offset::kFieldMask] = static_cast<std::uint8_t>(fields >= 8 ? 0xFF : (1 << fields) - 1);
  e[emaster_offset::kAutorun] = ' ';
  PutText(e.data() + emaster_offset::kSymbol, kEmasterSymbolSize, SymbolText(masterRecord));
  const std::string name = MasterName(masterRecord);
  PutText(e.data() + emaster_offset::kName, kEmasterNameSize, name);
  PutText(e.data() + emaster_offset::kLongName, kEmasterLongNameSize, name);
  e[emaster_offset::kPeriodicity] = masterRecord[master_offset::kPeriodicity];
  PutDate(e.data(), emaster_offset::kFirstDate, masterRecord + master_offset::kFirstDate);
  PutDate(e.data(), emaster_offset::kLastDate, masterRecord + master_offset::kLastDate);
  return e;
}

void CarryMasterRecordChange(const std::uint8_t* before, const std::uint8_t* after,
                             std::uint8_t* e) {
  if (before[master_offset::kFileNumber] != after[master_offset::kFileNumber])
    e[emaster_offset::kFileNumber] = after[master_offset::kFileNumber];
  if (FieldDiffers(before, after, master_offset::kSymbol, kSymbolFieldSize))
    PutText(e + emaster_offset::kSymbol, kEmasterSymbolSize, SymbolText(after));
  if (FieldDiffers(before, after, master_offset::kName, kNameFieldSize)) {
    // The long name described the old name; it names the new one now.
    const std::string name = MasterName(after);
    PutText(e + emaster_offset::kName, kEmasterNameSize, name);
    PutText(e + emaster_offset::kLongName, kEmasterLongNameSize, name);
  }
  if (FieldDiffers(before, after, master_offset::kFirstDate, 4))
    PutDate(e, emaster_offset::kFirstDate, after + master_offset::kFirstDate);
  if (FieldDiffers(before, after, master_offset::kLastDate, 4))
    PutDate(e, emaster_offset::kLastDate, after + master_offset::kLastDate);
}

Status EmasterRecordOf(std::string_view directory, const MasterRecord& record,
                       std::vector<std::uint8_t>& out) {
  out.clear();
  EmasterImage emaster;
  const Status status = ReadEmasterImage(EmasterPathIn(directory), emaster);
  if (status == kFileNotFound || status == kDamagedFile) return kOk;
  if (status != kOk) return status;
  const std::string symbol = SymbolText(record.bytes.data()).substr(0, kEmasterSymbolSize);
  for (int i = 0; i < emaster.RecordCount(); ++i) {
    const std::uint8_t* e = emaster.Record(i);
    if (e[emaster_offset::kFileNumber] == record.FileNumber() && EmasterSymbolText(e) == symbol) {
      out.assign(e, e + kEmasterRecordSize);
      break;
    }
  }
  return kOk;
}

std::string EmasterLongName(std::string_view directory, const MasterRecord& record) {
  Record e;
  if (EmasterRecordOf(directory, record, e) != kOk || e.empty()) return {};
  return GetText(e.data() + emaster_offset::kLongName, kEmasterLongNameSize);
}

EmasterState EmasterStateIn(std::string_view directory) {
  const std::string emasterPath = EmasterPathIn(directory);
  if (!file_ops::NameExists(emasterPath)) return EmasterState::kAbsent;
  MasterImage master;
  EmasterImage emaster;
  if (ReadMasterImage(MasterPathIn(directory), master) != kOk) return EmasterState::kUnreadable;
  const Status status = ReadEmasterImage(emasterPath, emaster);
  if (status == kDamagedFile) return EmasterState::kOutOfStep;
  if (status != kOk) return EmasterState::kUnreadable;
  return EmasterMirrors(emaster, master.bytes) ? EmasterState::kMirrors : EmasterState::kOutOfStep;
}

}  // namespace voltrim
