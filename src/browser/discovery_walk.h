#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browser/discovery_filter.h"

namespace voltrim {

class UserPrompt;

// The portfolio list's order: alphabetical without regard to case (ties in byte order, so
// that the order is total).
bool PortfolioOrder(const std::string& a, const std::string& b);
void SortPortfolioList(std::vector<std::string>& portfolios);

// Appends to `results` every folder at or below `root` that holds a file named MASTER (in
// any case), depth first, the subfolders of each folder visited in the reverse of listing
// order. The root is always examined; the filter decides about subfolders. Dot-names are
// skipped; symbolic links are never followed and other file systems never entered, so the
// walk ends on link loops; folders that cannot be listed contribute nothing. One listing
// is open at a time. Each folder examined, and each MASTER found, is reported through
// ScanProgress with the number found so far.
void WalkDirectory(const std::string& root, const SearchFilter& filter,
                   std::vector<std::string>& results, UserPrompt& prompt);

std::string NoPortfoliosMessage(std::string_view drive);

// The scan of a drive: walks it, sounds the information beep, and returns the portfolios
// sorted; with none found shows NoPortfoliosMessage. kNoDrive finds nothing.
std::vector<std::string> FindPortfolios(const std::string& drive, const SearchFilter& filter,
                                        UserPrompt& prompt);

}  // namespace voltrim
