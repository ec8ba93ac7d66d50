#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/format/series.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/status.h"

namespace voltrim {

// The texts the symbols grid and the quotes grid show, shared by the desktop program and
// voltrim-cli so that both show a portfolio the same way.

// Symbol cell: the symbol field up to the first byte outside '!'..0x7F (a blank, a control
// byte or a byte with the high bit set ends it).
std::string SymbolCellText(const MasterRecord& record);
// Name cell: the 16-byte name field up to its first NUL, trailing blanks kept.
std::string NameCellText(const MasterRecord& record);

struct SymbolRow {
  std::string symbol;
  std::string name;
  bool symbolWasEmpty = false;  // the name stands in for an empty symbol: MASTER needs repair
  // The index file that lists the row's series and the record's place in it (0 = the first
  // after the header): the symbol writes address the record by it.
  IndexFile index = IndexFile::kMaster;
  int record = 0;
  // The record's first and last dates (0: none) and data file number, which the grid's
  // other columns show and sort by.
  DayNumber firstDate = 0;
  DayNumber lastDate = 0;
  int fileNumber = 0;
  // A "<DIR>" entry: it stands for the portfolio of the sub-folder named, not a series.
  bool isSubfolder = false;
  std::string subfolder;
};

SymbolRow MakeSymbolRow(const MasterRecord& record);

// The symbols grid's rows as read from a MASTER, in file order.
struct SymbolRows {
  std::vector<SymbolRow> rows;
  int headerCount = 0;       // the header's symbol count as stored
  bool countCapped = false;  // the header counted more than 255; only 255 rows are read
  bool needsRepair = false;  // some row shows its name because its symbol is empty
};

// Reads the rows of a MASTER: the one reading of the symbols grid, for the desktop program
// and voltrim-cli alike. Fails (kFileNotFound, kFileRead, kDamagedFile) when the file
// cannot be opened or its header read, or when the number of records differs from the
// header's count (after capping it at 255), so that a damaged MASTER is never half shown.
// Records of zero bytes past the count are unused space, not records. out is left as it
// was on failure.
Status ReadSymbolRows(const std::string& masterPath, SymbolRows& out);

// The rows of the series the folder's XMASTER lists, which the symbols grid shows after
// MASTER's: symbol and name as stored (each up to its NUL), in XMASTER's order. None for a
// folder without XMASTER or with one too short to hold a record; a count above the records
// held gives the records there are. A failure status only when XMASTER cannot be read.
Status ReadXmasterSymbolRows(std::string_view portfolioDir, std::vector<SymbolRow>& out);

inline constexpr int kQuoteColumnCount = 7;
using QuoteRowTexts = std::array<std::string, kQuoteColumnCount>;

// "%.4f" of a price, "N/A" when it is below zero or not a number (an absent field).
std::string PriceCellText(float value);
// "%.0f" of a volume or open interest, "N/A" likewise.
std::string CountCellText(float value);
// Date (MM/DD/YY), Open, High, Low, Close, Volume, Open Interest.
QuoteRowTexts QuoteCellTexts(const Quote& quote);
// The same seven texts written one after another at out, each cell followed by
// separator but the last, for loops over many quotes; out needs room for
// kQuoteRowTextMax characters. Returns the end of the text.
inline constexpr std::size_t kQuoteRowTextMax = 8 * 64;
char* WriteQuoteCells(char* out, const Quote& quote, char separator);

}  // namespace voltrim
