#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/format/series_facts.h"
#include "datafiles/status.h"

namespace voltrim {

class FolderNames;

// XMASTER: the index of the series numbered 256 and up, stored in F<n>.MWD files with the
// DAT layout.
inline constexpr std::size_t kXmasterRecordSize = 150;

namespace xmaster_offset {
// Header, 16 bits each. The real files hold the record count twice, and the highest file
// number in use plus one (the number the next series gets).
inline constexpr std::size_t kRecordCount = 10;
inline constexpr std::size_t kRecordCountAgain = 14;
inline constexpr std::size_t kNextFileNumber = 18;
// Records.
inline constexpr std::size_t kKind = 0;  // 1 in every real record
inline constexpr std::size_t kSymbol = 1;
inline constexpr std::size_t kName = 16;
inline constexpr std::size_t kPeriodicity = 62;
inline constexpr std::size_t kFileNumber = 65;  // 16 bits
inline constexpr std::size_t kFieldMask = 70;
// 104 holds a date too (19000101 in a real file: where loading starts, not the data).
inline constexpr std::size_t kFirstDate = 108;  // 32-bit YYYYMMDD
inline constexpr std::size_t kLastDate = 116;
}  // namespace xmaster_offset

// Field widths. Each field ends in a NUL in the real files, so the texts they hold are one
// character shorter.
inline constexpr std::size_t kXmasterSymbolSize = 15;
inline constexpr std::size_t kXmasterNameSize = 46;
inline constexpr std::size_t kXmasterSymbolChars = kXmasterSymbolSize - 1;
inline constexpr std::size_t kXmasterNameChars = kXmasterNameSize - 1;
// XMASTER's file numbers start above MASTER's one-byte numbers, so that F<n>.BAK and the
// other per-number names of the two kinds of series never meet.
inline constexpr int kFirstXmasterFileNumber = 256;
inline constexpr int kLastXmasterFileNumber = 65535;

// Which index file lists a series.
enum class IndexFile { kMaster, kXmaster };

struct XmasterRecord {
  std::string symbol;  // up to its first NUL
  std::string name;
  char periodicity = ' ';
  int fileNumber = 0;
  int fieldCount = 0;          // fields the mask names
  std::int32_t firstDate = 0;  // YYYYMMDD as stored
  std::int32_t lastDate = 0;
};

struct XmasterFile {
  int countedRecords = 0;
  std::vector<XmasterRecord> records;  // the counted records the file holds
};

// kDamagedFile without a whole header; a count above what the file holds reads the
// records that are there.
Status ParseXmasterBytes(const std::uint8_t* data, std::size_t size, XmasterFile& out);
// kFileNotFound when the folder has no XMASTER.
Status ReadXmasterFile(std::string_view portfolioDir, XmasterFile& out);
XmasterRecord DecodeXmasterRecord(const std::uint8_t* record);

// The XMASTER of a portfolio folder (an existing case variant, else "XMASTER").
std::string XmasterPathIn(std::string_view directory);

// An XMASTER held as its stored bytes, for the writes that change it.
struct XmasterImage {
  std::vector<std::uint8_t> bytes;

  int HeaderField(std::size_t offset) const;  // unsigned 16 bits
  void SetHeaderField(std::size_t offset, int value);
  int RecordCount() const { return HeaderField(xmaster_offset::kRecordCount); }
  std::uint8_t* Record(int index) { return bytes.data() + Offset(index); }
  const std::uint8_t* Record(int index) const { return bytes.data() + Offset(index); }
  static std::size_t Offset(int index) {
    return kXmasterRecordSize * (static_cast<std::size_t>(index) + 1);
  }
};

// Reads the folder's XMASTER for a write and refuses one a write could not change without
// guessing (kDamagedFile): no whole header, a size that is not the header and exactly the
// records counted, the two counts disagreeing or read as negative, a file number below
// 256, a symbol or name without the NUL that ends it. kFileNotFound when there is none.
Status ReadXmasterImage(std::string_view portfolioDir, XmasterImage& out);
Status CheckXmasterImage(const XmasterImage& image);

// Field writers for one 150-byte record: texts NUL-padded over the whole field (at most
// kXmasterSymbolChars / kXmasterNameChars characters), dates as 32-bit YYYYMMDD.
void PutXmasterSymbol(std::uint8_t* record, std::string_view symbol);
void PutXmasterName(std::uint8_t* record, std::string_view name);
void PutXmasterDate(std::uint8_t* record, std::size_t offset, std::int32_t yyyymmdd);
void PutXmasterFileNumber(std::uint8_t* record, int fileNumber);
// A day as XMASTER stores it (YYYYMMDD), and back (0 for a number that is no day).
std::int32_t XmasterDateOf(DayNumber day);
DayNumber DayOfXmasterDate(std::int32_t yyyymmdd);

// The field mask XMASTER keeps for a layout: one bit per field present (Date 1, High 2,
// Low 4, Close 8, Vol 16, Open 32, OI 64, Time 128).
std::uint8_t XmasterFieldMask(const ColumnLayout& layout);

// What a MASTER record holds for an XMASTER series (texts cut to MASTER's widths, dates
// as MBF, file number 0 until one is given).
MasterRecord MasterRecordFor(const XmasterRecord& record);
// The XMASTER record of a MASTER series given a new number: its symbol text (at most 14
// characters) and name (longName when given, else MASTER's without trailing blanks), its
// periodicity and dates, and the mask of its layout.
std::vector<std::uint8_t> XmasterRecordFor(const MasterRecord& record, const ColumnLayout& layout,
                                           std::string_view longName);

// "F%i.MWD"
std::string MwdFileName(int fileNumber);

// Whether an XMASTER record is named by text: its symbol or its name, ignoring case.
bool XmasterRecordMatches(const XmasterRecord& record, std::string_view text);
// The records of an XMASTER by symbol and by name, for many lookups by XmasterRecordMatches'
// rule: Find gives the first record named by text, or -1.
class XmasterNames {
 public:
  explicit XmasterNames(const XmasterImage& image);
  int Find(std::string_view text) const;

 private:
  std::unordered_map<std::string, int> bySymbol_;
  std::unordered_map<std::string, int> byName_;
};

// Whether the folder's XMASTER lists a series named by text; a failure status when an
// XMASTER is there but cannot be read.
Status XmasterListsSymbol(std::string_view portfolioDir, std::string_view text, bool& listed);

// The series of symbol for reading: MASTER's tree first, then the folder's XMASTER. An
// XMASTER series is located at its F<n>.MWD with its DOP file when there is one, else the
// layout its record length implies; found.record carries what MASTER would say of it, with
// file number 0 so that no write can take it for a MASTER series.
Status LocateAnySeries(std::string_view portfolioDir, std::string_view symbol, SeriesLocation& out);

// The files and checked layout of one XMASTER record's series, as LocateAnySeries gives them.
// names, when given, is the folder's listing, read once for many series.
Status LocateXmasterRecordSeries(std::string_view portfolioDir, const XmasterRecord& record,
                                 SeriesLocation& out, const FolderNames* names = nullptr);

// The first record of the folder's XMASTER that names symbol (symbol or name, any case): the
// record, its position, and its series located.
struct XmasterSeries {
  XmasterRecord record;
  int index = -1;
  SeriesLocation location;
};
Status LocateXmasterSeries(std::string_view portfolioDir, std::string_view symbol,
                           XmasterSeries& out);

// The facts of a series only XMASTER lists, as GetSeriesFacts gives them for MASTER's
// (symbol and name in full, dates from XMASTER's YYYYMMDD numbers); kFactsUnavailable when
// XMASTER does not list it or its data file cannot be read.
int GetXmasterSeriesFacts(std::string_view portfolioDir, std::string_view symbol, SeriesFacts& out);

}  // namespace voltrim
