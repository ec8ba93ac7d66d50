#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/status.h"

namespace voltrim {

// EMASTER: the extended companion of MASTER that charting programs keep beside it. Record i
// describes the same data file as MASTER's record i, with IEEE dates and a longer name.
inline constexpr std::size_t kEmasterRecordSize = 192;

// Byte offsets inside an EMASTER record, as the real files lay them out.
namespace emaster_offset {
inline constexpr std::size_t kFileNumber = 2;
inline constexpr std::size_t kFieldCount = 6;
inline constexpr std::size_t kFieldMask = 7;
inline constexpr std::size_t kAutorun = 9;
inline constexpr std::size_t kSymbol = 11;
inline constexpr std::size_t kName = 32;
inline constexpr std::size_t kPeriodicity = 60;
inline constexpr std::size_t kFirstDate = 64;  // IEEE single, YYYMMDD
inline constexpr std::size_t kLastDate = 72;
inline constexpr std::size_t kFirstDateLong = 126;  // 32-bit YYYYMMDD
inline constexpr std::size_t kLongName = 139;
}  // namespace emaster_offset

inline constexpr std::size_t kEmasterSymbolSize = 14;
inline constexpr std::size_t kEmasterNameSize = 16;
inline constexpr std::size_t kEmasterLongNameSize = kEmasterRecordSize - emaster_offset::kLongName;

// An EMASTER held as its stored bytes: the 192-byte header, the records it counts that the
// file holds, and whatever follows them (carried along unchanged on a rewrite).
struct EmasterImage {
  std::vector<std::uint8_t> bytes;

  int CountedRecords() const;  // the header's count, 0 when negative
  // The header's 16-bit fields, at the offsets MASTER's header has them (count, highest
  // file number); the image must hold a whole header.
  std::int16_t HeaderField(std::size_t offset) const;
  void SetHeaderField(std::size_t offset, std::int16_t value);
  int RecordCount() const;  // counted records the file holds
  const std::uint8_t* Record(int index) const { return bytes.data() + Offset(index); }
  std::uint8_t* Record(int index) { return bytes.data() + Offset(index); }
  static std::size_t Offset(int index) {
    return kEmasterRecordSize * (static_cast<std::size_t>(index) + 1);
  }
};

// Fields of one EMASTER record, decoded for display.
struct EmasterEntry {
  int fileNumber = 0;
  int fieldCount = 0;
  std::string symbol;    // up to its first NUL
  std::string name;      // the 16-character name, up to its first NUL
  std::string longName;  // up to its first NUL; may be empty
  char periodicity = ' ';
  float firstDate = 0;  // DateFloat value
  float lastDate = 0;
};

// kDamagedFile without a whole header or with a negative count; kFileNotFound when missing.
Status ParseEmasterBytes(const std::uint8_t* data, std::size_t size, EmasterImage& out);
Status ReadEmasterImage(const std::string& path, EmasterImage& out);
EmasterEntry DecodeEmasterRecord(const std::uint8_t* record);

// The EMASTER of a portfolio folder (an existing case variant, else "EMASTER").
std::string EmasterPathIn(std::string_view directory);

// The symbol text of an EMASTER record: its 14 bytes cut at the first byte of value 32 or
// less or 128 or more, as MASTER's symbol is cut.
std::string EmasterSymbolText(const std::uint8_t* record);

// Whether emaster describes, record for record, the same data files and symbols as the
// MASTER bytes given (same count, same file number and symbol in each position).
bool EmasterMirrors(const EmasterImage& emaster, const std::vector<std::uint8_t>& masterBytes);

// The EMASTER record describing a MASTER record that has none yet (a series copied in).
std::vector<std::uint8_t> EmasterRecordFor(const std::uint8_t* masterRecord);

// Carries the MASTER fields that changed between two versions of a MASTER record (file
// number, symbol, name, dates) into the EMASTER record describing it; every other byte
// stays as stored.
void CarryMasterRecordChange(const std::uint8_t* before, const std::uint8_t* after,
                             std::uint8_t* emasterRecord);

// The EMASTER record of directory that describes a MASTER record of it (same file number
// and symbol); out empty when there is none (no EMASTER, a damaged one, no such record).
// A failure status only when an EMASTER is there but cannot be read.
Status EmasterRecordOf(std::string_view directory, const MasterRecord& record,
                       std::vector<std::uint8_t>& out);
// Its long name; empty when there is none.
std::string EmasterLongName(std::string_view directory, const MasterRecord& record);

enum class EmasterState { kAbsent, kMirrors, kOutOfStep, kUnreadable };
// How the EMASTER of directory stands to its MASTER.
EmasterState EmasterStateIn(std::string_view directory);

}  // namespace voltrim
