#pragma once

#include <functional>
#include <string>

#include "datafiles/status.h"

namespace voltrim {

// Runs a write of many files as one change recorded under what (see ChangeRecording).
// The write sets takeBack once it has changed something that a failure must not leave
// (and clears it again past the point where what stands is reported as it is). A failure
// with takeBack set is taken back through the journal the change has just left, while the
// folders are still held (the caller holds their lock): the write's status is returned
// with nothing changed, or kSymbolsPartlyDone (symbol_batch.h) when that failed too.
Status RecordOrTakeBack(const std::string& folder, const std::string& what,
                        const std::function<Status(bool& takeBack)>& write);

// The words of a change of count symbols, the first of them first: "Delete Symbol ACME",
// "Move 50 Symbols".
std::string SymbolsChangeName(const char* verb, std::size_t count, const std::string& first);

}  // namespace voltrim
