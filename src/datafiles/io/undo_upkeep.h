#pragma once

// Keeping a portfolio's history in order; each call under the lock of the folder.
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/io/undo_history.h"
#include "datafiles/status.h"

namespace voltrim::undo {

// The history of folder made ready for a change: its folder made when there is none
// (madeFolder: its parent folder then needs a sync), what writers cut short left in it
// removed, and a journal of the one-level undo taken in as the newest change.
Status OpenHistory(const std::string& folder, HistoryListing& listing, bool& madeFolder);

// Takes a journal of the one-level undo in folder into its history, as the newest change.
Status TakeInOneLevelJournal(const std::string& folder, HistoryListing& listing);

// The changes a new one of newBytes ends in this history: every undone change (a new change
// ends what could be redone), and the oldest ones past the limits.
std::vector<int> ChangesToDrop(const HistoryListing& listing, std::uint64_t newBytes);

// Removes the journals of numbers. What they kept is left for the next change to find
// named by no journal (OpenHistory), once the removal has lasted with a sync of the history.
void RemoveJournals(const std::string& history, const HistoryListing& listing,
                    const std::vector<int>& numbers);

}  // namespace voltrim::undo
