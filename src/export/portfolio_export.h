#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/status.h"
#include "export/export_writer.h"

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

}  // namespace voltrim
