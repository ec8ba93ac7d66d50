#pragma once

#include <string>

#include "check/check_finding.h"

namespace voltrim {

// Where in the series a finding is: the quote's date (MM/DD/YY) when it is a valid day,
// "quote N" (1 = oldest) otherwise, empty for findings about files.
std::string FindingPlace(const Finding& finding);

// symbol TAB file TAB place TAB kind TAB detail.
std::string FindingLine(const Finding& finding);

// The closing line of a report.
std::string CheckSummary(const CheckReport& report);

}  // namespace voltrim
