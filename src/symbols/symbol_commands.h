#pragma once

#include <string>
#include <vector>

#include "datafiles/format/xmaster.h"

namespace voltrim {

class UserPrompt;

// The portfolio a symbol command works on, as the browser holds it.
struct SymbolPortfolio {
  std::string portfolioDir;
  std::string masterPath;
};

// What the caller does afterwards: reload the symbols grid with the given row current.
// succeeded is true only when everything asked for was done.
struct SymbolCommandOutcome {
  bool succeeded = false;
  // Not all was done, but the symbol was deleted, moved or copied (the message said what
  // is left): repeating the command would do it twice.
  bool partlyDone = false;
  // The request was refused before anything was written (what it asked for cannot be done).
  bool refused = false;
  bool refreshSymbols = false;
  int rowToShow = 0;
};

// ---- Symbol > Edit

// The name as the Edit Symbol dialog offers it: trailing white space removed.
std::string NameForEditing(const std::string& nameText);

// The dialog's OK check: an empty symbol (length 0; blanks count) is refused with
// "You must enter a symbol".
bool CheckSymbolEntry(const std::string& symbol, UserPrompt& prompt);

// The longest symbol and name the Edit Symbol dialog takes for a row of the index file:
// 16 and 16 for MASTER, 14 and 45 for XMASTER (its fields end in a NUL).
int SymbolLimit(IndexFile index);
int NameLimit(IndexFile index);

// After OK: writes symbol and name into the record at row (the record's place in the index
// file that lists it). On success the caller puts the texts into the selected row and the
// loaded symbol and name; on failure the user is told and nothing changes.
SymbolCommandOutcome RunSymbolEdit(const SymbolPortfolio& portfolio, int row,
                                   const std::string& symbol, const std::string& name,
                                   UserPrompt& prompt, IndexFile index = IndexFile::kMaster);

// ---- Symbol > Delete

// The Delete Symbol dialog's content as one Yes/No question.
std::string DeleteSymbolQuestion(const std::string& symbol);

// Asks (with the question sound) unless ask is false, then removes the symbol's records
// and files. After Yes the symbols grid is reloaded with row 0 whatever happened, so it
// shows what MASTER now holds.
// A symbol of XMASTER's rows goes from XMASTER, with its F<n>.MWD, .DOP and .BAK.
SymbolCommandOutcome RunSymbolDelete(const SymbolPortfolio& portfolio, const std::string& symbol,
                                     UserPrompt& prompt, bool ask = true,
                                     IndexFile index = IndexFile::kMaster);

// ---- Symbol > Move / Copy

// The destination list: every portfolio but the current one, sorted ignoring case.
std::vector<std::string> DestinationChoices(const std::vector<std::string>& portfolios,
                                            int currentIndex);

// After the dialog's OK with a destination (an empty one does nothing): puts the symbol
// into the destination and, for a move, takes it out of this portfolio. A move that
// changed this portfolio's MASTER reloads the symbols grid with row 0.
SymbolCommandOutcome RunMoveOrCopySymbol(const SymbolPortfolio& portfolio,
                                         const std::string& symbol, const std::string& destination,
                                         bool move, UserPrompt& prompt);

}  // namespace voltrim
