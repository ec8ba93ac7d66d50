#include "splitsearch/portfolio_symbols.h"

#include "browser/grid_text.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

Status ReadPortfolioSymbols(std::string_view portfolioDir, std::vector<std::string>& symbols) {
  symbols.clear();
  // The symbols grid's own reading, so the search refuses and accepts the same MASTER files.
  SymbolRows read;
  const Status status = ReadSymbolRows(ResolveInDirectory(portfolioDir, "MASTER"), read);
  if (status != kOk) return status;
  for (SymbolRow& row : read.rows) {
    // The name stands in for an empty symbol. Its padding is dropped so that the lookup by
    // name finds the record without the MASTER being repaired first.
    if (row.symbolWasEmpty) row.symbol.erase(row.symbol.find_last_not_of(' ') + 1);
    symbols.push_back(std::move(row.symbol));
  }
  // Then the series only XMASTER lists, as the grid shows them after MASTER's.
  std::vector<SymbolRow> extended;
  if (ReadXmasterSymbolRows(portfolioDir, extended) == kOk) {
    for (SymbolRow& row : extended) symbols.push_back(std::move(row.symbol));
  }
  return kOk;
}

}  // namespace voltrim
