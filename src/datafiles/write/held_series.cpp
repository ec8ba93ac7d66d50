#include "datafiles/write/held_series.h"

#include "datafiles/io/portfolio_files.h"

namespace voltrim {

bool InsidePortfolio(std::string_view portfolioDir, const std::string& directory) {
  const std::string root = WithTrailingSeparator(portfolioDir);
  return directory.compare(0, root.size(), root) == 0 &&
         directory.find("/../", root.empty() ? 0 : root.size() - 1) == std::string::npos;
}

Status LocateHeld(PortfolioLock& lock, std::string_view portfolioDir, std::string_view symbol,
                  SeriesLocation& series) {
  Status status = LocateSeries(portfolioDir, symbol, series);
  if (status != kOk || lock.Covers(series.found.directory)) return status;
  status = lock.Add(series.found.directory);
  if (status == kOk) status = LocateSeries(portfolioDir, symbol, series);
  if (status == kOk && !lock.Covers(series.found.directory)) status = kPortfolioBusy;
  return status;
}

}  // namespace voltrim
