#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/master.h"
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
  int RecordCount() const;     // counted records the file holds
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

// EMASTER changed as MASTER changed from oldMaster to newMaster: records removed, appended
// or edited in place (symbol, name, dates, file number). An appended record is
// appendedRecord (an EMASTER record, given its new file number) when there is one, else
// made from MASTER's. kBadRequest when the change is none of these, so the caller can
// refuse rather than let the two disagree.
Status MirrorMasterChange(const EmasterImage& emaster, const std::vector<std::uint8_t>& oldMaster,
                          const std::vector<std::uint8_t>& newMaster,
                          std::vector<std::uint8_t>& out,
                          const std::vector<std::uint8_t>& appendedRecord = {});

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

// Replaces masterPath's content by newMaster as ReplaceMaster does, and keeps the EMASTER
// beside it in step when it mirrored oldMaster: EMASTER is replaced first (through
// EMASTER.NEW, keeping EMASTER.BAK), then MASTER. A crash in between leaves an EMASTER
// that already mirrors the new MASTER; running the command again writes MASTER alone. A
// MASTER replacement that fails puts the old EMASTER back. An EMASTER that mirrors neither
// the old nor the new MASTER is left as it was.
Status ReplaceMasterKeepingEmaster(const std::string& masterPath,
                                   const std::vector<std::uint8_t>& oldMaster,
                                   const std::vector<std::uint8_t>& newMaster,
                                   std::string_view temporarySuffix, bool backup,
                                   const std::vector<std::uint8_t>& appendedRecord = {});

}  // namespace voltrim
