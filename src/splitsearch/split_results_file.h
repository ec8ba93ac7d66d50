#pragma once

#include <string>
#include <vector>

#include "splitsearch/split_search.h"

namespace voltrim {

// Saves the results as a file at path: every listed line in list order, each ending in CR LF,
// with no title. The file is replaced only once complete; false when it cannot be created or
// written, in which case an existing file is left as it was.
bool SaveSplitResults(const std::string& path, const SplitSearchResults& results);
// The same for any lines (the ranked ones), each ending in CR LF.
bool SaveSplitLines(const std::string& path, const std::vector<std::string>& lines);

// Shown when SaveSplitResults fails: "The search results could not be saved to\n<path>".
std::string SaveSplitResultsFailedMessage(const std::string& path);

}  // namespace voltrim
