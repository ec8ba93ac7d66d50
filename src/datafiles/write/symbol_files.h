#pragma once

#include <string>
#include <string_view>

#include "datafiles/format/master.h"
#include "datafiles/status.h"

namespace voltrim {

// Some records left MASTER as asked, but a data file of theirs could not be removed.
inline constexpr Status kSymbolFilesLeft = -106;
// Move: the symbol stands complete in the destination, but the source still lists it
// (its record could not be removed); nothing was lost, the symbol is in both portfolios.
inline constexpr Status kSourceNotRemoved = -107;

// Removes from portfolioDir's MASTER every record whose symbol text (the 16-byte field cut
// at the first byte of value 32 or less, or 128 or more) equals symbol, case-sensitively,
// through MASTER.~NU; then removes F<n>.DAT, F<n>.DOP and F<n>.BAK of each removed record
// whose file number no remaining record uses. The header's record count becomes the number
// of records written; the highest file number in use drops by the number removed.
// Failures before MASTER is replaced change nothing: kFileNotFound (no MASTER),
// kDamagedFile, kRecordNotFound (no record matches), kFileWrite. kSymbolFilesLeft: MASTER
// was replaced but a data file remains.
Status DeleteSymbol(std::string_view portfolioDir, std::string_view symbol);

// Results of AddSymbolToPortfolio and MoveOrCopySymbol (a negative value is a Status).
inline constexpr int kSymbolAdded = 0;
inline constexpr int kSymbolExists = 1;   // show AddSymbolExistsMessage
inline constexpr int kPortfolioFull = 2;  // show kPortfolioFullMessage

inline constexpr const char* kPortfolioFullMessage =
    "The portfolio already has the\nmaximum number of symbols (255).\nChoose a different or "
    "new portfolio.";
// "The Symbol addition failed.\n\nReason: Symbol %s already exists in\n%s" with the
// search text and the destination path.
std::string AddSymbolExistsMessage(std::string_view searchText, std::string_view destinationDir);

// The destination side of a move or copy. record: the 53 stored bytes of the symbol's
// record (dates as stored, MBF); searchText: the text looked up in the destination;
// sourceDir: the folder holding F<old>.DAT / F<old>.DOP. The data files are placed at the
// destination under the lowest free file number first (hard-linked for a move when
// possible, else copied; a missing DOP is no error, a stale F<new>.DOP is removed), then
// the record (every byte but the file number kept) is appended to the destination MASTER
// through MASTER.~NU. Source files are never removed here.
// Returns kSymbolAdded, kSymbolExists, kPortfolioFull, or a failure Status with the
// destination MASTER unchanged (kFileNotFound: no destination MASTER; kFileOpen: the
// source DAT cannot be read; kDamagedFile; kFileWrite). newFileNumber gets the number used.
int AddSymbolToPortfolio(const MasterRecord& record, std::string_view searchText,
                         std::string_view sourceDir, std::string_view destinationDir, bool move,
                         int* newFileNumber = nullptr);

// The text a move or copy looks up: the symbol upper-cased, surrounding white space removed.
std::string SymbolSearchText(std::string_view symbol);

// Move (move = true) or copy the symbol to the destination portfolio. The search text is
// the symbol upper-cased with surrounding white space removed; it is looked up in
// sourceDir's MASTER tree. For a move, after the destination holds the symbol, its record
// (matched by file number) is removed from the MASTER where it was found, then its
// F<old>.DAT, .DOP and .BAK. A crash at any point may leave the symbol in both portfolios,
// never in neither.
// Returns AddSymbolToPortfolio's results, kFileNotFound when the source has no such
// symbol (nothing written), kSourceNotRemoved or kSymbolFilesLeft (move, see above).
int MoveOrCopySymbol(std::string_view sourceDir, std::string_view symbol,
                     std::string_view destinationDir, bool move);

}  // namespace voltrim
