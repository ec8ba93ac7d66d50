#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/status.h"

namespace voltrim {

// One series record of a portfolio's own MASTER, with the text the symbols grid shows
// for it.
struct ListedSeries {
  MasterRecord record;
  std::string symbolText;
  int recordIndex = 0;  // 0-based, in MASTER order
};

// The series records of the portfolio's MASTER in file order (subdirectory entries left
// out), at most as many as the header counts and 255. Reading a whole portfolio goes
// record by record, so two records with the same symbol are still two series.
Status ListPortfolioSeries(std::string_view portfolioDir, std::vector<ListedSeries>& out);

// The files and checked layout of one record's series, as LocateSeries gives them for a
// symbol found by name.
Status LocateRecordSeries(std::string_view portfolioDir, const MasterRecord& record,
                          SeriesLocation& out);

}  // namespace voltrim
