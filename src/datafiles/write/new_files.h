#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/status.h"
#include "datafiles/write/symbol_files.h"

namespace voltrim {

// Creating portfolios and series. Each new file is written completely under a temporary
// name, synced and renamed into place, and the folder synced, like every replacement.

// The name is there but is not a folder.
inline constexpr Status kNotAFolder = -130;
// The folder already holds a MASTER (in any case spelling).
inline constexpr Status kPortfolioThere = -131;
// The folder holds other files; a new portfolio needs a new or empty folder.
inline constexpr Status kFolderNotEmpty = -132;

// The files of an empty portfolio: a MASTER of its 53-byte header alone and an EMASTER of
// its 192-byte header alone, both counting no records and no file number in use.
std::vector<std::uint8_t> EmptyMasterBytes();
std::vector<std::uint8_t> EmptyEmasterBytes();

// Makes directory a new, empty portfolio: the folder (and any missing parents) is created
// when it is not there, each creation made durable; an existing folder must be empty. An
// EMASTER counting no records, as an interrupted creation leaves it, does not count as
// content, so running the command again finishes the job. EMASTER is written first, then
// MASTER, so the folder is a portfolio only once both stand.
// Failures: kNotAFolder, kPortfolioThere, kFolderNotEmpty, kPortfolioBusy, kFileWrite
// (a folder or file could not be made; what was made of the folders stays, empty).
Status CreatePortfolio(std::string_view directory);

// A series as New Symbol creates it.
struct NewSeries {
  std::string symbol;  // 1 to 16 characters, kept as given (case too)
  std::string name;    // at most 16 characters
  // DATE and the values: 5 = High, Low, Close, Volume; 6 = Open, High, Low, Close,
  // Volume; 7 = the six and Open Interest.
  int columns = 7;
  bool intraday = false;  // a TIME field after DATE, periodicity "I" (else "D")
};

// The stored fields of a new series, in record order; empty for a column count other than
// 5, 6 or 7.
std::vector<Field> NewSeriesFields(int columns, bool intraday);

// The layout of those fields, each at its place in the record.
ColumnLayout NewSeriesLayout(const std::vector<Field>& fields);

// The DOP text listing fields as the real files do: one line per field, the name in
// double quotes and two format codes (two decimals for prices, whole numbers otherwise),
// CR LF after each.
std::string NewSeriesDopText(const std::vector<Field>& fields);

// The MASTER record of a new series of file number n: record length and field count from
// the fields, the periodicity, blank-padded name and symbol, no first or last date yet
// (both zero, as the series holds no quote), the file type byte real files carry (0x65)
// and every other byte zero.
MasterBytes NewSeriesRecord(const NewSeries& series, int fileNumber);

// Adds an empty series to portfolioDir under the lowest file number no record uses
// (a number whose F<n>.DAT holds quotes, left there by another program, is passed over so
// that no quote is ever written over): F<n>.DAT holding its header alone (last-record
// number 1) and F<n>.DOP are put in place first, then the record is appended to MASTER
// through MASTER.~NU (and to an EMASTER that mirrors MASTER). The header's two counters
// each grow by one. On a failure after the data files stood, they are taken away again.
// A folder whose MASTER is full and that has an XMASTER takes the series there, as a copy
// or move would: F<n>.MWD and F<n>.DOP under the next MWD number, then the record appended
// to XMASTER (a symbol there takes at most 14 characters, else kBadRequest).
// Returns kSymbolAdded, kSymbolExists (the lookup of the symbol, by symbol or name in any
// case, in MASTER's tree or XMASTER), kPortfolioFull (no room in MASTER and no XMASTER),
// or a failure Status with the index files
// unchanged (kBadRequest for a symbol, name or column count outside the rules,
// kFileNotFound without MASTER, kDamagedFile, kPortfolioBusy, kFileWrite). fileNumber
// gets the number used.
int CreateSeries(std::string_view portfolioDir, const NewSeries& series, int* fileNumber = nullptr);

}  // namespace voltrim
