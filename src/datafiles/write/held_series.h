#pragma once

#include <string>
#include <string_view>

#include "datafiles/format/series.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/status.h"

namespace voltrim {

// Whether directory lies inside portfolioDir: a subdirectory entry of MASTER may name any
// folder, and a write changes nothing outside the portfolio it was given.
bool InsidePortfolio(std::string_view portfolioDir, const std::string& directory);

// Finds the series with its folder held: a symbol found through a subdirectory entry lives
// in a folder the lock may not hold yet, and is looked up again once it does.
Status LocateHeld(PortfolioLock& lock, std::string_view portfolioDir, std::string_view symbol,
                  SeriesLocation& series);

}  // namespace voltrim
