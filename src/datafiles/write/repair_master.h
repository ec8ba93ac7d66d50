#pragma once

#include <string>

#include "datafiles/format/master.h"
#include "datafiles/status.h"

namespace voltrim {

// A record whose symbol field starts with a blank, a control character or a byte of 128 or
// above has an empty symbol text; such a MASTER counts as damaged.
bool SymbolNeedsRepair(const MasterRecord& record);

// Whether any record the header counts needs repair. A MASTER that cannot be read is
// reported with its status (needsRepair false).
Status MasterNeedsRepair(const std::string& masterPath, bool& needsRepair);

// Writes each empty symbol field with the record's name field (up to a NUL, NULs after),
// every other byte as stored, through the temporary MASTER.bak renamed over MASTER in one
// step (so no MASTER.bak / MASTER.BAK remains). Asks nothing: the caller asks first.
// kOk when the repaired MASTER took the old one's place; otherwise a failure status and
// MASTER unchanged.
Status RepairMaster(const std::string& masterPath);

}  // namespace voltrim
