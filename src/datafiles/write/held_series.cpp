#include "datafiles/write/held_series.h"

#include "datafiles/io/file_ops.h"
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

Status CachedMasterSource::Load(const std::string& directory, MasterFile& out) const {
  auto hit = cache_.find(directory);
  if (hit == cache_.end()) {
    Entry entry;
    entry.status = ReadMasterIn(directory, entry.file);
    hit = cache_.emplace(directory, std::move(entry)).first;
  }
  out = hit->second.file;
  return hit->second.status;
}

std::string CachedMasterSource::Identity(const std::string& directory) const {
  const std::string canonical = file_ops::CanonicalFolder(directory);
  return canonical.empty() ? directory : canonical;
}

std::string CachedMasterSource::SubdirectoryPath(const std::string& directory,
                                                 const std::string& name) const {
  return ResolveInDirectory(directory, name);
}

Status FindSymbolHeld(PortfolioLock& lock, CachedMasterSource& masters,
                      std::string_view portfolioDir, std::string_view text, FoundSymbol& found) {
  Status status = FindSymbolIn(masters, portfolioDir, text, found);
  if (status != kOk || lock.Covers(found.directory)) return status;
  status = lock.Add(found.directory);
  // The folder may have changed before it was held.
  masters.Forget();
  if (status == kOk) status = FindSymbolIn(masters, portfolioDir, text, found);
  if (status == kOk && !lock.Covers(found.directory)) status = kPortfolioBusy;
  return status;
}

}  // namespace voltrim
