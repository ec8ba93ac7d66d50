#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/xmaster.h"
#include "datafiles/status.h"

namespace voltrim {

// Deleting, moving and copying many series in one write: one lock per folder, everything
// checked before anything is written, one undo journal for the whole change (both
// portfolios of a move or copy), each index file replaced once, and the data files placed
// side by side and made durable together.

// Why one series of the list keeps the whole write from going ahead.
enum class SymbolRefusal {
  kNotFound,    // no series of the source answers to it
  kNoDataFile,  // its data file is missing from the source
  kUnreadable,  // an index file that may list it, or its files, cannot be read
  kExists,      // the destination holds a series of that symbol or name
  kClashes,     // a series earlier in the list takes that symbol or name at the destination
  kNoRoom,      // neither index file of the destination has room left for it
  kTooLong,     // only XMASTER has room, which holds symbols of at most 14 characters
};

struct RefusedSymbol {
  std::string symbol;  // as the request named it
  SymbolRefusal reason = SymbolRefusal::kNotFound;
};

// Every series of the list that refused the write, in the list's order; nothing was written.
inline constexpr Status kSymbolsRefused = -150;
// A write failed part way and what it had done could not be taken back: the portfolios hold
// part of the change, each file whole, and its undo journal puts it all back.
inline constexpr Status kSymbolsPartlyDone = -151;

// What a refused write of many symbols says: a line of the count, then one line per reason naming
// every symbol it refused, e.g. "Nothing was moved: 2 of the 50 Symbols cannot be.\n\nAlready in
// /data/q: ACME, BETA". verb: "deleted", "moved", "copied" or "exported"; total: the symbols
// asked for; destination: empty for a delete or an export.
std::string SymbolsRefusedMessage(const char* verb, std::size_t total,
                                  const std::vector<RefusedSymbol>& refused,
                                  const std::string& portfolioDir, const std::string& destination);
// The same when the symbols missing are all it refuses.
std::string SymbolsNotFoundMessage(const char* verb, std::size_t total,
                                   const std::vector<std::string>& missing,
                                   const std::string& portfolioDir);

// A series as a row of the symbols grid names it: its symbol text (the symbol field cut as
// the grid cuts it), matched exactly, in the index file that lists the row.
struct ListedSymbol {
  std::string symbol;
  IndexFile index = IndexFile::kMaster;
};

// Deletes the series as Symbol > Delete does each: every record of the portfolio's own
// MASTER or XMASTER whose symbol is the one named, then the data files no record left uses.
// A series named twice counts once. Statuses: kOk; kSymbolsRefused (refused gets every
// symbol no record matches; nothing written); kBadRequest (an empty list); kPortfolioBusy;
// the index files' read failures; kFileWrite (nothing changed: what was done was taken
// back); kSymbolsPartlyDone; kSymbolFilesLeft (from symbol_files.h: every record is gone,
// but a data file remains).
Status DeleteSymbols(std::string_view portfolioDir, const std::vector<ListedSymbol>& symbols,
                     std::vector<RefusedSymbol>& refused);

// Moves (move = true) or copies the series to the destination portfolio, each looked up as
// MoveOrCopySymbol looks up one (MASTER's tree, then XMASTER) and given a place as it would
// be: MASTER's lowest free numbers while MASTER has room, then XMASTER's next ones. A
// series named twice counts once. Refused, with every reason in refused and nothing written:
// a symbol not found, a series whose data file is missing, one whose symbol or name the
// destination holds or an earlier series of the list takes, one for which the destination
// has no room. Then the data files are placed at the destination, its index files name them,
// and for a move the source's index files let them go and their files are removed.
// Statuses as DeleteSymbols' (a failure before the source is touched takes the destination
// back), and for a move kSourceNotRemoved (symbol_files.h: every series stands at the
// destination, but some are still listed in the source too).
Status MoveOrCopySymbols(std::string_view sourceDir, const std::vector<std::string>& symbols,
                         std::string_view destinationDir, bool move,
                         std::vector<RefusedSymbol>& refused);

}  // namespace voltrim
