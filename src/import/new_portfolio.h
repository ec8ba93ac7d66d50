#pragma once

#include <string>

namespace voltrim {

class UserPrompt;

// File > New Portfolio and voltrim-cli new-portfolio: an empty portfolio in a new or empty
// folder. On failure the user is told why, and false returned.
bool RunNewPortfolio(const std::string& directory, UserPrompt& prompt);

// "The portfolio could not be created.\n\nReason: ..." for a refused folder.
std::string NewPortfolioRefusal(const std::string& reason);

}  // namespace voltrim
