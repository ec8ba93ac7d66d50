#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"
#include "datafiles/write/symbol_batch.h"
#include "export/export_writer.h"
#include "export/portfolio_series.h"

namespace voltrim {

// A series a whole-portfolio export left out, and why.
struct SkippedSeries {
  std::string symbol;
  std::string file;  // "F3.DAT"
  Status status = kOk;
};

// Writes every series the portfolio's MASTER lists, in its order, then those its XMASTER
// lists, in its order, each line led by the
// symbol column; the heading once (always for CSV, for text when the title is chosen).
// A series that cannot be read whole is left out and added to skipped. Fails only when the
// MASTER cannot be read, before anything is written.
Status WritePortfolioExport(TextSink& sink, std::string_view portfolioDir,
                            const ExportSettings& settings, ExportFormat format,
                            std::vector<SkippedSeries>& skipped);

// The same for the series given (as ListPortfolioSeries lists them, from the listing
// names), in their order.
void WriteSeriesExport(TextSink& sink, const FolderNames& names, std::string_view portfolioDir,
                       const std::vector<ListedSeries>& series, const ExportSettings& settings,
                       ExportFormat format, std::vector<SkippedSeries>& skipped);

// The series of the portfolio's own MASTER, then XMASTER, that each text names by the
// lookup's rule (symbol or name, any case), in the order of the texts; texts none answers to
// go to missing. Fails as ListPortfolioSeries does.
Status FindSeriesNamed(std::string_view portfolioDir, const std::vector<std::string>& texts,
                       const std::shared_ptr<const FolderNames>& names,
                       std::vector<ListedSeries>& found, std::vector<std::string>& missing);
// The same for rows of the symbols grid: the series of that index file showing that symbol.
Status FindSeriesOfRows(std::string_view portfolioDir, const std::vector<ListedSymbol>& rows,
                        const std::shared_ptr<const FolderNames>& names,
                        std::vector<ListedSeries>& found, std::vector<std::string>& missing);

}  // namespace voltrim
