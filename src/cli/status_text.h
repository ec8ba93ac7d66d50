#pragma once

#include <string>

#include "datafiles/status.h"

namespace voltrim::cli {

// What a data-layer status means, in words for a message ("the data file cannot be opened").
// Free of Qt: the quick start of voltrim-cli says it too.
std::string DescribeStatus(Status status);

}  // namespace voltrim::cli
