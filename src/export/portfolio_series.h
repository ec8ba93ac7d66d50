#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/status.h"

namespace voltrim {

// One series record of a portfolio's own MASTER or XMASTER, with the text the symbols
// grid shows for it.
struct ListedSeries {
  MasterRecord record;  // for a series of XMASTER's, what MASTER would hold (file number 0)
  std::string symbolText;
  int recordIndex = 0;  // 0-based, the symbols grid's row: MASTER's records, then XMASTER's
  IndexFile index = IndexFile::kMaster;
  XmasterRecord xmaster;  // the record of a series of XMASTER's
  // The folder's names, listed once for all of XMASTER's series (thousands of them).
  std::shared_ptr<const FolderNames> names;

  int FileNumber() const {
    return index == IndexFile::kXmaster ? xmaster.fileNumber : record.FileNumber();
  }
  std::string DataFileName() const;  // F3.DAT, F256.MWD
};

// The series records of the portfolio's MASTER in file order (subdirectory entries left
// out), at most as many as the header counts and 255, then those of its XMASTER in its
// order (none when it has none, or one too short to hold a record). Reading a whole
// portfolio goes record by record, so two records with the same symbol are still two
// series.
// The folder is listed once, into names when given (null: a listing of its own).
Status ListPortfolioSeries(std::string_view portfolioDir, std::vector<ListedSeries>& out,
                           std::shared_ptr<const FolderNames> names = nullptr);

// The files and checked layout of one record's series, as LocateSeries gives them for a
// symbol found by name.
Status LocateRecordSeries(std::string_view portfolioDir, const MasterRecord& record,
                          SeriesLocation& out);
// The same for a listed series of either index file.
Status LocateListedSeries(std::string_view portfolioDir, const ListedSeries& series,
                          SeriesLocation& out);
// The same from the folder's listing, with the data file's bytes (ReadWholeSeries, which
// leaves the descriptors to closes when given).
Status ReadListedSeries(const FolderNames& folder, std::string_view portfolioDir,
                        const ListedSeries& series, SeriesLocation& out,
                        std::vector<std::uint8_t>& bytes, DeferredCloses* closes = nullptr);

}  // namespace voltrim
