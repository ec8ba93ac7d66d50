#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "browser/grid_text.h"
#include "browser/symbol_order.h"
#include "datafiles/format/encodings.h"
#include "datafiles/format/series.h"
#include "datafiles/write/symbol_batch.h"
#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"

namespace voltrim {

// Symbol, Name, First Date, Last Date, File (kQuoteColumnCount: grid_text.h).
inline constexpr int kSymbolColumnCount = 5;
// More symbols than this in a MASTER header are announced and cut off.
inline constexpr int kMaxGridSymbols = 255;
// The browser counts quotes in signed 16 bits; longer series are refused.
inline constexpr int kMaxGridQuotes = 32767;
inline constexpr char kProgramTitle[] = "Voltrim";

// The symbols grid: one row per MASTER record, in file order, then one per XMASTER record,
// in its order (never sorted: each row carries its record's place, by which the symbol
// writes address it).
struct SymbolTable {
  std::vector<SymbolRow> rows;
  // MASTER's rows (its header count, at most 255) and XMASTER's; rows.size() after a good
  // fill. Not 16 bits: XMASTER may list tens of thousands.
  int count = 0;
  int currentRow = 0;  // may point past the rows; see CurrentRow()
  // The rows selected (ascending): none or one, or several, on which Delete, Move, Copy and
  // Export act at once while the commands of one series are off.
  std::vector<int> selected;

  int RowCount() const { return static_cast<int>(rows.size()); }
  bool HasRow(int row) const { return row >= 0 && row < RowCount(); }
  // The row the user is on, or null when currentRow does not name a row.
  const SymbolRow* CurrentRow() const;
  // The current row is a sub-folder's entry (no series).
  bool CurrentIsSubfolder() const;
  bool ManySelected() const { return selected.size() > 1; }
  // The series of the selected rows, sub-folder entries left out.
  std::vector<const SymbolRow*> SelectedSeries() const;
  // The same as the writes of many symbols name them.
  std::vector<ListedSymbol> SelectedSymbols() const;
  // Column 0 the symbol, 1 the name, 2 and 3 the first and last dates (MM/DD/YY, empty
  // when the record holds none), 4 the data file ("<DIR>" for a sub-folder); empty
  // outside the table.
  std::string CellText(int row, int column) const;
};

// One quote as read (SymbolRow, the other grid's row, is in grid_text.h). Cell texts are
// formatted when asked for, so a fill of tens of thousands of quotes costs little more than
// reading them, and a view formats only the rows it shows.
using QuoteRow = Quote;

// The quotes grid of the loaded symbol, newest quote first: row r is the quote with
// index count - 1 - r counted from the oldest.
struct QuoteTable {
  std::vector<QuoteRow> rows;
  std::int16_t count = 0;  // quotes of the series; rows may be fewer after a failed chunk
  std::int16_t currentRow = 0;
  std::string loadedSymbol;  // symbol text of the row whose quotes were loaded
  std::string loadedName;
  std::string firstDateText;  // MM/DD/YY of the oldest quote
  std::string lastDateText;   // MM/DD/YY of the newest quote
  // The series' layout holds a time of day: the grid shows a Time column after Date, and
  // the quote commands name one bar by its date and time.
  bool hasTime = false;

  int RowCount() const { return static_cast<int>(rows.size()); }
  bool HasRow(int row) const { return row >= 0 && row < RowCount(); }
  // Index of a row's quote in the series, counted from the oldest (0).
  int SeriesIndex(int row) const { return count - 1 - row; }
  // The seven texts the grid shows: date MM/DD/YY, prices "%.4f", volume and open
  // interest "%.0f", "N/A" for absent or negative values. Empty outside the table.
  std::string CellText(int row, int column) const;
  // HH:MM:SS of a row's quote; empty outside the table.
  std::string TimeText(int row) const;
  // The date of a row's quote, followed by its time when the series has one.
  std::string BarText(int row) const;
};

// All run-time state of the browser. Read by the windows and by every command; changed
// only through Browser (browser.h).
struct BrowserState {
  SearchFilter searchFilter;

  std::vector<std::string> drives;  // mount points, sorted
  int driveSelection = -1;          // entry shown selected in the drive list, -1 none
  std::string drive = kNoDrive;     // the current drive (a mount point)

  std::vector<std::string> portfolios;  // portfolio folders, sorted without regard to case
  int portfolioSelection = -1;
  bool portfoliosFound = false;

  bool masterPathSet = false;  // masterPath may be used only while this is set
  std::string masterPath;      // the current portfolio's MASTER
  std::string portfolioDir;    // masterPath without its last separator and file name

  SymbolTable symbols;
  SymbolOrder symbolOrder;  // the symbols grid's filter and sort
  QuoteTable quotes;

  bool splitSearchOpen = false;
  bool setUp = false;                 // the deferred set-up has listed the drives
  bool scanning = false;              // a scan is walking the drive
  int foundCount = 0;                 // MASTER files found so far by the running scan
  std::string title = kProgramTitle;  // the main window's title
};

}  // namespace voltrim
