#pragma once

#include "datafiles/io/portfolio_lock.h"

namespace voltrim::symbol_messages {

// What the symbol commands tell the user, word for word.
inline constexpr char kMustEnterSymbol[] = "You must enter a symbol";
inline constexpr char kDeleteGroupTitle[] = "Selected Symbol to Delete:";
inline constexpr char kDeleteQuestion[] =
    "Are you sure you want to delete the Symbol shown above? ";

// Failures the program once passed over in silence; each says what state the files are in.
inline constexpr char kEditFailed[] = "The Symbol edit failed.\n\nNothing was changed.";
inline constexpr char kDeleteFailed[] = "The Symbol deletion failed.\n\nNothing was changed.";
inline constexpr char kDeleteFilesLeft[] =
    "The Symbol was deleted, but some of its data files\ncould not be removed.";
inline constexpr char kMoveFailed[] = "The Symbol move failed.\n\nNothing was changed.";
inline constexpr char kCopyFailed[] = "The Symbol copy failed.\n\nNothing was changed.";
inline constexpr char kMoveSourceKeptFormat[] =
    "The Symbol was copied to\n%s\nbut could not be removed from this portfolio.";
inline constexpr char kMoveFilesLeft[] =
    "The Symbol was moved, but some of its data files\ncould not be removed from this "
    "portfolio.";
// Many symbols at once.
inline constexpr char kDeleteManyGroupFormat[] = "Selected Symbols to Delete (%d):";
inline constexpr char kDeleteManyQuestionFormat[] =
    "Are you sure you want to delete the %d Symbols shown above? ";
inline constexpr char kChosenManyFormat[] = "You have chosen %d Symbols:";
inline constexpr char kDeleteManyFailed[] = "Deleting the Symbols failed.\n\nNothing was changed.";
inline constexpr char kMoveManyFailed[] = "Moving the Symbols failed.\n\nNothing was changed.";
inline constexpr char kCopyManyFailed[] = "Copying the Symbols failed.\n\nNothing was changed.";
inline constexpr char kDeleteManyFilesLeft[] =
    "The Symbols were deleted, but some of their data files\ncould not be removed.";
inline constexpr char kMoveManyFilesLeft[] =
    "The Symbols were moved, but some of their data files\ncould not be removed from this "
    "portfolio.";
inline constexpr char kMoveManySourceKeptFormat[] =
    "The Symbols were copied to\n%s\nbut not all could be removed from this portfolio.";
// %s: "Deleting", "Moving" or "Copying".
inline constexpr char kManyPartlyDoneFormat[] =
    "%s the Symbols failed part way, and what was done could not be taken back.\n\nEvery file "
    "is whole; Edit > Undo takes the change back.";

// Another writer held a portfolio past the wait; shown instead of the command's failure.
inline constexpr const char* kPortfolioBusy = kPortfolioBusyMessage;

}  // namespace voltrim::symbol_messages
