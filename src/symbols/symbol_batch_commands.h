#pragma once

#include <string>
#include <vector>

#include "browser/grid_text.h"
#include "datafiles/write/symbol_batch.h"
#include "symbols/symbol_commands.h"

namespace voltrim {

// Symbol > Delete, Move and Copy on many symbols at once: one question, one write, one undo
// step. voltrim-cli and the Python module run the same, without the question.

// ---- Naming the series

// The symbols grid's rows of a portfolio as a name finds them: MASTER's records in file
// order, then XMASTER's. A failure status when MASTER cannot be read.
Status ReadGridSymbols(const std::string& portfolioDir, std::vector<SymbolRow>& rows);
// The row showing text: its symbol exactly, else ignoring case (the first such row); null
// when none does.
const SymbolRow* FindGridSymbol(const std::vector<SymbolRow>& rows, const std::string& text);

// The series each text names as a row of the grid (see FindGridSymbol); texts no row names
// go to missing, in order. A failure status when MASTER cannot be read.
Status FindListedSymbols(const std::string& portfolioDir, const std::vector<std::string>& texts,
                         std::vector<ListedSymbol>& found, std::vector<std::string>& missing);

// ---- The commands (after their dialog's OK)

// Deletes the series; the symbols grid is reloaded with row 0 whatever happened.
SymbolCommandOutcome RunSymbolsDelete(const SymbolPortfolio& portfolio,
                                      const std::vector<ListedSymbol>& symbols, UserPrompt& prompt);

// Puts the series into the destination and, for a move, takes them out of this portfolio
// (an empty destination does nothing). A move that changed this portfolio reloads the grid.
SymbolCommandOutcome RunMoveOrCopySymbols(const SymbolPortfolio& portfolio,
                                          const std::vector<std::string>& symbols,
                                          const std::string& destination, bool move,
                                          UserPrompt& prompt);

}  // namespace voltrim
