#pragma once

#include <string>
#include <vector>

namespace voltrim::cli {

// The warning a write prints when the folder's EMASTER does not mirror its MASTER, so that
// the write leaves EMASTER as it was.
std::string EmasterLeftAloneText(const std::string& directory);

// Prints that warning once when the EMASTER of directory is out of step with its MASTER.
void WarnIfEmasterOutOfStep(const std::string& directory);

// The same for the folder whose MASTER lists symbol (the portfolio's own or a subfolder).
void WarnIfEmasterOutOfStepFor(const std::string& portfolioDir, const std::string& symbol);
// The same for every folder whose MASTER lists one of the symbols, once each.
void WarnIfEmasterOutOfStepFor(const std::string& portfolioDir,
                               const std::vector<std::string>& symbols);

}  // namespace voltrim::cli
