#include "export/portfolio_series.h"

#include <algorithm>

#include "browser/grid_text.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

Status ListPortfolioSeries(std::string_view portfolioDir, std::vector<ListedSeries>& out) {
  out.clear();
  MasterFile master;
  const Status status = ReadMasterFile(ResolveInDirectory(portfolioDir, "MASTER"), master);
  if (status != kOk) return status;
  const int count = std::min<int>(master.header.RecordCount(), kMaxSymbols);
  const int present = std::min<int>(count, static_cast<int>(master.records.size()));
  for (int i = 0; i < present; ++i) {
    const MasterRecord& record = master.records[static_cast<std::size_t>(i)];
    if (record.IsSubdirectory()) continue;
    std::string symbol = MakeSymbolRow(record).symbol;
    // A name standing in for an empty symbol loses its padding, which would otherwise
    // split a space-delimited column.
    symbol.erase(symbol.find_last_not_of(' ') + 1);
    out.push_back({record, std::move(symbol), i});
  }
  return kOk;
}

Status LocateRecordSeries(std::string_view portfolioDir, const MasterRecord& record,
                          SeriesLocation& out) {
  out = SeriesLocation{};
  out.found.record = record;
  out.found.directory = WithTrailingSeparator(portfolioDir);
  return CompleteSeriesLocation(out);
}

}  // namespace voltrim
