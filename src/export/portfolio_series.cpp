#include "export/portfolio_series.h"

#include <algorithm>

#include "browser/grid_text.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

Status ListPortfolioSeries(std::string_view portfolioDir, std::vector<ListedSeries>& out,
                           std::shared_ptr<const FolderNames> names) {
  out.clear();
  if (!names) names = std::make_shared<const FolderNames>(portfolioDir);
  MasterFile master;
  const Status status = ReadMasterFile(names->Resolve("MASTER"), master);
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
    ListedSeries series;
    series.record = record;
    series.symbolText = std::move(symbol);
    series.recordIndex = i;
    out.push_back(std::move(series));
  }
  XmasterFile xmaster;
  std::vector<std::uint8_t> bytes;
  bool cut = false;
  if (names->ReadFile("XMASTER", kMaxPortfolioFileBytes, bytes, cut, true) != kOk || cut ||
      ParseXmasterBytes(bytes.data(), bytes.size(), xmaster) != kOk)
    return kOk;
  for (std::size_t i = 0; i < xmaster.records.size(); ++i) {
    XmasterRecord& x = xmaster.records[i];
    ListedSeries series;
    series.record = MasterRecordFor(x);
    series.symbolText = x.symbol;
    series.recordIndex = present + static_cast<int>(i);
    series.index = IndexFile::kXmaster;
    series.xmaster = std::move(x);
    series.names = names;
    out.push_back(std::move(series));
  }
  return kOk;
}

std::string ListedSeries::DataFileName() const {
  return index == IndexFile::kXmaster ? MwdFileName(xmaster.fileNumber)
                                      : DatFileName(record.FileNumber());
}

Status LocateRecordSeries(std::string_view portfolioDir, const MasterRecord& record,
                          SeriesLocation& out) {
  out = SeriesLocation{};
  out.found.record = record;
  out.found.directory = WithTrailingSeparator(portfolioDir);
  return CompleteSeriesLocation(out);
}

Status LocateListedSeries(std::string_view portfolioDir, const ListedSeries& series,
                          SeriesLocation& out) {
  return series.index == IndexFile::kXmaster
             ? LocateXmasterRecordSeries(portfolioDir, series.xmaster, out, series.names.get())
             : LocateRecordSeries(portfolioDir, series.record, out);
}

Status ReadListedSeries(const FolderNames& folder, std::string_view portfolioDir,
                        const ListedSeries& series, SeriesLocation& out,
                        std::vector<std::uint8_t>& bytes, DeferredCloses* closes) {
  out = SeriesLocation{};
  out.found.record = series.record;
  out.found.directory = WithTrailingSeparator(portfolioDir);
  WholeSeriesFiles files;
  const int number = series.FileNumber();
  files.dataName = series.DataFileName();
  files.dopName = DopFileName(number);
  if (series.index == IndexFile::kXmaster) {
    files.fieldCount = series.xmaster.fieldCount;
    files.recordLength = 4 * files.fieldCount;
    files.intraday = series.xmaster.periodicity == 'I';
  } else {
    files.fieldCount = series.record.FieldCount();
    files.recordLength = series.record.RecordLength();
    files.intraday = series.record.IsIntraday();
  }
  return ReadWholeSeries(folder, files, out, bytes, closes);
}

}  // namespace voltrim
