#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/encodings.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/status.h"
#include "datafiles/write/rewrite_series.h"

namespace voltrim {

// The writes that change XMASTER. XMASTER is replaced as MASTER is: the new content is
// written whole as XMASTER.NEW, synced and renamed over the old file, whose content is kept
// as XMASTER.BAK. Each refuses an XMASTER that CheckXmasterImage refuses, with nothing
// written. The header's two record counts follow the records; its next file number never
// goes down, so no number a removed series had is handed out again.

Status ReplaceXmaster(std::string_view portfolioDir, const std::vector<std::uint8_t>& content);

struct XmasterDateChange {
  MasterDate which;
  DayNumber day;
};
// Sets the first and/or last date of every record of fileNumber, in one replacement.
// kRecordNotFound when no record has that number.
Status SetXmasterDates(std::string_view portfolioDir, int fileNumber,
                       const std::vector<XmasterDateChange>& changes);

// Writes symbol and name (at most 14 and 45 characters, else kBadRequest) into the record at
// index (0 = the first after the header; kRecordNotFound outside the count).
Status RenameXmasterRecord(std::string_view portfolioDir, int index, std::string_view symbol,
                           std::string_view name);

// Removes every record whose symbol equals symbol (case-sensitively, as MASTER's delete
// compares), then F<n>.MWD, F<n>.DOP and F<n>.BAK of each removed number no remaining record
// uses. kRecordNotFound when no record matches (nothing written); kSymbolFilesLeft (from
// symbol_files.h) when XMASTER was replaced but a data file remains.
Status DeleteXmasterSymbol(std::string_view portfolioDir, std::string_view symbol);

// Pieces of a move or copy, for symbol_files.cpp. The caller holds the folder's lock.

// The image with a record appended (record: 150 bytes, its file number replaced by the one
// handed out: the header's next number, or above every listed number when that is not, and
// past any number whose F<n>.MWD is in the folder already). kBadRequest when no number is
// left below 65536.
Status XmasterWithRecordAppended(const XmasterImage& image, std::string_view portfolioDir,
                                 std::vector<std::uint8_t> record, XmasterImage& out,
                                 int& fileNumber);
// The image without the records drop selects (the counts set to what is left); the numbers
// of the records kept go to kept. Returns the removed records' numbers.
std::vector<int> XmasterWithout(const XmasterImage& image,
                                const std::function<bool(const std::uint8_t*)>& drop,
                                XmasterImage& out, std::set<int>& kept);
// Removes F<n>.MWD, F<n>.DOP and F<n>.BAK of every number not in kept; false when one of
// them is still there afterwards.
bool RemoveMwdFiles(const std::string& directory, const std::vector<int>& numbers,
                    const std::set<int>& kept);

}  // namespace voltrim
