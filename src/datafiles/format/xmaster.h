#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/format/series_facts.h"
#include "datafiles/status.h"

namespace voltrim {

// XMASTER: the index of the series numbered 256 and up, stored in F<n>.MWD files with the
// DAT layout. Writes never change it or its files.
inline constexpr std::size_t kXmasterRecordSize = 150;

namespace xmaster_offset {
inline constexpr std::size_t kRecordCount = 10;  // header, 16 bits
inline constexpr std::size_t kSymbol = 1;
inline constexpr std::size_t kName = 16;
inline constexpr std::size_t kPeriodicity = 62;
inline constexpr std::size_t kFileNumber = 65;  // 16 bits
inline constexpr std::size_t kFieldMask = 70;
// 104 holds a date too (19000101 in a real file: where loading starts, not the data).
inline constexpr std::size_t kFirstDate = 108;  // 32-bit YYYYMMDD
inline constexpr std::size_t kLastDate = 116;
}  // namespace xmaster_offset

inline constexpr std::size_t kXmasterSymbolSize = 15;
inline constexpr std::size_t kXmasterNameSize = 46;

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

// "F%i.MWD"
std::string MwdFileName(int fileNumber);

// Whether an XMASTER record is named by text: its symbol or its name, ignoring case.
bool XmasterRecordMatches(const XmasterRecord& record, std::string_view text);
// Whether the folder's XMASTER lists a series named by text; a failure status when an
// XMASTER is there but cannot be read.
Status XmasterListsSymbol(std::string_view portfolioDir, std::string_view text, bool& listed);

// The series of symbol for reading: MASTER's tree first, then the folder's XMASTER. An
// XMASTER series is located at its F<n>.MWD with its DOP file when there is one, else the
// layout its record length implies; found.record carries what MASTER would say of it, with
// file number 0 so that no write can take it for a MASTER series.
Status LocateAnySeries(std::string_view portfolioDir, std::string_view symbol, SeriesLocation& out);

// The facts of a series only XMASTER lists, as GetSeriesFacts gives them for MASTER's
// (symbol and name in full, dates from XMASTER's YYYYMMDD numbers); kFactsUnavailable when
// XMASTER does not list it or its data file cannot be read.
int GetXmasterSeriesFacts(std::string_view portfolioDir, std::string_view symbol, SeriesFacts& out);

}  // namespace voltrim
