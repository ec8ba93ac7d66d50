#pragma once

#include <cstdint>

namespace voltrim {

// Outcome of a file-layer operation. Commands treat every nonzero value as failure
// and show their own message; the names below are the texts the program keeps for them.
using Status = std::int16_t;

inline constexpr Status kOk = 0;                 // "Sucessfull"
inline constexpr Status kFileOpen = -2;          // "File Open"
inline constexpr Status kMalloc = -3;            // "Malloc"
inline constexpr Status kFileRead = -4;          // "File Read"
inline constexpr Status kFileNotFound = -8;      // "File Not Found": symbol or MASTER missing
inline constexpr Status kRecordNotFound = -9;    // "Record Not Found": index or date past the series
inline constexpr Status kNoLayout = -100;        // no DOP file and no layout to infer
inline constexpr Status kQuoteNotFound = -200;   // the quote to delete is not there
// Statuses of our own for what the old design trusted blindly.
inline constexpr Status kDamagedFile = -101;     // a file's structure is inconsistent; refused
inline constexpr Status kFileWrite = -102;       // a write, flush, sync or rename failed
inline constexpr Status kNoMbfForm = -103;       // a value to write has no MBF form
inline constexpr Status kBadRequest = -104;      // a request the operation cannot carry out

}  // namespace voltrim
