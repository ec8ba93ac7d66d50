#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/encodings.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/status.h"

namespace voltrim {

inline constexpr std::size_t kMasterRecordSize = 53;
inline constexpr int kMaxSymbols = 255;
// Subdirectory entries nested deeper than a path can reach (each level adds at least a
// name and a separator) are treated as empty branches.
inline constexpr int kMaxSubdirectoryDepth = static_cast<int>(kMaxPathLength / 2);
inline constexpr std::size_t kNameFieldSize = 16;
inline constexpr std::size_t kSymbolFieldSize = 16;

// Byte offsets inside a MASTER record.
namespace master_offset {
inline constexpr std::size_t kFileNumber = 0;
inline constexpr std::size_t kRecordLength = 3;
inline constexpr std::size_t kFieldCount = 4;
inline constexpr std::size_t kName = 7;
inline constexpr std::size_t kFirstDate = 25;
inline constexpr std::size_t kLastDate = 29;
inline constexpr std::size_t kPeriodicity = 33;
inline constexpr std::size_t kSymbol = 36;
}  // namespace master_offset

using MasterBytes = std::array<std::uint8_t, kMasterRecordSize>;

// First record of MASTER. Bytes not named here are kept as they were read.
struct MasterHeader {
  MasterBytes bytes{};

  std::int16_t RecordCount() const;
  void SetRecordCount(std::int16_t count);
  std::int16_t HighestFileNumber() const;
  void SetHighestFileNumber(std::int16_t number);
};

// One symbol entry of MASTER, kept as its 53 stored bytes (dates stay MBF), so a
// record written back is byte for byte what was read except for the fields changed.
struct MasterRecord {
  MasterBytes bytes{};

  int FileNumber() const;    // 1..255
  int RecordLength() const;  // signed byte, 4 x field count when sound
  int FieldCount() const;
  std::string NameField() const;    // 16 characters as stored
  std::string Name() const;         // trailing blanks removed
  std::string SymbolField() const;  // 16 characters as stored
  float FirstDate() const;          // IEEE DateFloat
  float LastDate() const;
  char Periodicity() const;
  bool IsIntraday() const;               // periodicity "I"
  bool IsSubdirectory() const;           // "<DIR>" at name chars 11-15, first char not blank
  std::string SubdirectoryName() const;  // first 8 name chars, trailing blanks removed

  void SetFileNumber(int number);
  void SetNameField(std::string_view name);      // padded with blanks to 16
  void SetSymbolField(std::string_view symbol);  // padded with blanks to 16
  void SetFirstDate(const MbfBytes& date);
  void SetLastDate(const MbfBytes& date);
};

struct MasterFile {
  MasterHeader header;
  std::vector<MasterRecord> records;  // at most header.RecordCount(), fewer if the file is short
  // Whole records stored past the header's count. Programs leave unused space there as
  // records of zero bytes; any other byte means the count and the file disagree.
  std::size_t trailingRecords = 0;
  bool trailingInUse = false;

  // True when the records after the header are exactly the counted ones plus unused space.
  bool RecordsMatchCount() const;
};

// Reads a whole MASTER: the header and every record the header counts that the file
// holds, and what lies past them. A negative count or a missing header is refused with a
// status: kFileNotFound when there is no such file, kFileOpen when the name cannot be
// opened or is not a regular file.
Status ReadMasterFile(const std::string& path, MasterFile& out);
// The same from bytes already in memory.
Status ParseMasterBytes(const std::uint8_t* data, std::size_t size, MasterFile& out);
// The MASTER of directory, under its name in any case.
Status ReadMasterIn(const std::string& directory, MasterFile& out);

// Where the lookup gets the MASTER of a directory from: the file system, or memory in
// tests and fuzzing.
class MasterSource {
 public:
  virtual ~MasterSource() = default;
  // Fills out with the MASTER of directory (which ends in '/', or is empty for the current
  // folder); a nonzero status when there is none or it cannot be read.
  virtual Status Load(const std::string& directory, MasterFile& out) const = 0;
  // Names the folder itself, so that one reached twice (through links) is searched once.
  virtual std::string Identity(const std::string& directory) const = 0;
  // The spelling of subdirectory name inside directory (names match without regard to case).
  virtual std::string SubdirectoryPath(const std::string& directory,
                                       const std::string& name) const = 0;
};

struct FoundSymbol {
  MasterRecord record;
  std::string directory;  // where the record's MASTER lives, with a trailing '/'
};

// Looks a symbol or name up in the portfolio's MASTER tree, depth first.
Status FindSymbol(std::string_view portfolioDir, std::string_view text, FoundSymbol& out);
Status FindSymbolIn(const MasterSource& source, std::string_view portfolioDir,
                    std::string_view text, FoundSymbol& out);
// The record-matching rule of the lookup: name, or symbol field up to its (k+1)-th blank
// where k counts the blanks of text; letter case ignored.
bool RecordMatches(const MasterRecord& record, std::string_view text);

// Longest directory path (with its trailing separator) the lookup descends into; deeper
// branches count as empty.
inline constexpr std::size_t kMaxLookupPath = kMaxPortfolioDirLength + 1;

struct AcceptedMasterPath {
  std::string masterPath;
  std::string portfolioDir;  // without trailing separator
};

// The rule by which the browser takes a MASTER path as the current portfolio: a path
// that ends in "MASTER" in a folder no longer than kMaxPortfolioDirLength.
std::optional<AcceptedMasterPath> AcceptMasterPath(const char* path);

}  // namespace voltrim
