#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/emaster.h"
#include "datafiles/status.h"

namespace voltrim {

// Replacing MASTER, and EMASTER with it where EMASTER mirrors MASTER.

// Puts content in masterPath's place through masterPath's name + suffix, keeping the old
// MASTER as MASTER.BAK when backup is set.
Status ReplaceMaster(const std::string& masterPath, const std::vector<std::uint8_t>& content,
                     std::string_view temporarySuffix, bool backup);

// The EMASTER records of the records a write appends to MASTER, in their order: each is
// given its new file number; an empty one (or one missing at the end) is made from MASTER's.
using AppendedEmasterRecords = std::vector<std::vector<std::uint8_t>>;

// EMASTER changed as MASTER changed from oldMaster to newMaster: records removed, appended
// or edited in place (symbol, name, dates, file number). An appended record is taken from
// appendedRecords when given there, else made from MASTER's. kBadRequest when the change is
// none of these, so the caller can refuse rather than let the two disagree.
Status MirrorMasterChange(const EmasterImage& emaster, const std::vector<std::uint8_t>& oldMaster,
                          const std::vector<std::uint8_t>& newMaster,
                          std::vector<std::uint8_t>& out,
                          const AppendedEmasterRecords& appendedRecords = {});

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
                                   const AppendedEmasterRecords& appendedRecords = {});

}  // namespace voltrim
