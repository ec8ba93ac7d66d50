#include "export/portfolio_series.h"

#include <algorithm>

#include "browser/grid_text.h"
#include "datafiles/portfolio_files.h"

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
  out.recordLength = record.RecordLength();
  out.fieldCount = record.FieldCount();
  if (out.fieldCount < 1 || out.fieldCount > kMaxFieldCount ||
      out.recordLength != 4 * out.fieldCount)
    return kDamagedFile;
  const int number = record.FileNumber();
  out.datPath = ResolveInDirectory(out.found.directory, DatFileName(number));
  out.dopPath = ResolveInDirectory(out.found.directory, DopFileName(number));
  const Status layout = ReadColumnLayout(out.dopPath, out.recordLength, out.layout);
  if (layout != kOk) return layout;
  return CheckColumnLayout(out.layout, out.fieldCount);
}

}  // namespace voltrim
