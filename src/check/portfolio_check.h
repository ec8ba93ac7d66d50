#pragma once

#include <string>
#include <string_view>

#include "check/check_finding.h"
#include "datafiles/status.h"

namespace voltrim {

// Looks at every file of the portfolio and reports what is wrong, without writing
// anything. Fails only when the MASTER cannot be read at all (kFileNotFound when there
// is none); every other fault is a finding.
Status CheckPortfolio(std::string_view portfolioDir, CheckReport& out);

}  // namespace voltrim
