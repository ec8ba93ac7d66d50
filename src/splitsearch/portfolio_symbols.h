#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"

namespace voltrim {

// The symbol texts of a portfolio as its symbols grid lists them, in MASTER record
// order: at most 255, a symbol cut at its first blank or control byte, and a blank
// symbol replaced by the record's name without its trailing blanks; then the series only
// XMASTER lists, in its order. For searching without the desktop window, which reads them
// from its grid; refused exactly when the grid would refuse the MASTER.
Status ReadPortfolioSymbols(std::string_view portfolioDir, std::vector<std::string>& symbols);

}  // namespace voltrim
