#pragma once

#include <string>

#include "datafiles/write/new_files.h"
#include "symbols/symbol_commands.h"

namespace voltrim {

class UserPrompt;

// ---- Symbol > New (voltrim-cli new-symbol)

// The Symbol addition failed, for a reason of the files.
inline constexpr char kNewSymbolFailed[] = "The Symbol addition failed.\n\nNothing was changed.";

// Adds an empty series to the portfolio after the dialog's OK (whose check is Edit
// Symbol's: CheckSymbolEntry). A symbol or name already there and a full portfolio are
// refused with the program's own texts. On success the symbols grid is to be reloaded
// with the new symbol's row current.
SymbolCommandOutcome RunNewSymbol(const SymbolPortfolio& portfolio, const NewSeries& series,
                                  UserPrompt& prompt);

}  // namespace voltrim
