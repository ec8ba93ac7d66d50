#pragma once

#include <map>
#include <string>
#include <string_view>

#include "datafiles/format/master.h"
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

// Each folder's MASTER read once for many lookups (a write that holds the folders, so that
// they do not change underneath).
class CachedMasterSource : public MasterSource {
 public:
  Status Load(const std::string& directory, MasterFile& out) const override;
  std::string Identity(const std::string& directory) const override;
  std::string SubdirectoryPath(const std::string& directory,
                               const std::string& name) const override;
  void Forget() { cache_.clear(); }

 private:
  struct Entry {
    Status status = kOk;
    MasterFile file;
  };
  mutable std::map<std::string, Entry> cache_;
};

// Looks a symbol up in MASTER's tree as FindSymbol does, with its folder held (one reached
// through a subdirectory entry is taken after the first ones, and looked up again then).
Status FindSymbolHeld(PortfolioLock& lock, CachedMasterSource& masters,
                      std::string_view portfolioDir, std::string_view text, FoundSymbol& found);

}  // namespace voltrim
