#pragma once

#include <string>
#include <vector>

#include "datafiles/write/update_portfolio.h"
#include "import/update_sources.h"

namespace voltrim {

// Portfolio > Update from File and voltrim-cli update: the request for the sources read,
// and what the user is told.

UpdateRequest UpdateRequestOf(const UpdateSources& sources, ImportOverlap overlap, bool create);

// "215 series: 212 updated, 3 unchanged, 0 created; 212 quotes added" (", 4 replaced" after
// it when quotes were replaced). Unknown symbols are not counted among the series.
std::string UpdateTotalsLine(const UpdateResult& result);

// One series: "ACME: 1 quote added, 0 replaced, 0 kept, 20 skipped (already stored)." and
// where a new series goes, or that an unknown symbol is skipped.
std::string UpdateSeriesLine(const UpdateSeriesResult& series);

// "Unknown symbols, skipped: A, B." (with the advice to create them); empty when none.
std::string UnknownSymbolsLine(const UpdateResult& result, const std::string& createAdvice);

// What a refused or failed update says (kOk: nothing): the series, the file and line, and
// that nothing was changed. advice ends a refusal of differing quotes.
std::string UpdateFailureText(Status status, const UpdateResult& result,
                              const UpdateSources& sources, const std::string& advice);

}  // namespace voltrim
