#include "browser/browser_state.h"

#include "datafiles/io/portfolio_files.h"
#include "text/time_text.h"

namespace voltrim {

const SymbolRow* SymbolTable::CurrentRow() const {
  return HasRow(currentRow) ? &rows[static_cast<std::size_t>(currentRow)] : nullptr;
}

std::string SymbolTable::CellText(int row, int column) const {
  if (!HasRow(row)) return {};
  const SymbolRow& r = rows[static_cast<std::size_t>(row)];
  switch (column) {
    case 0:
      return r.symbol;
    case 1:
      return r.name;
    case 2:
      return r.firstDate == 0 ? std::string() : FormatUserDate(r.firstDate);
    case 3:
      return r.lastDate == 0 ? std::string() : FormatUserDate(r.lastDate);
    case 4:
      if (r.isSubfolder) return "<DIR>";
      return r.index == IndexFile::kXmaster ? MwdFileName(r.fileNumber) : DatFileName(r.fileNumber);
    default:
      return {};
  }
}

bool SymbolTable::CurrentIsSubfolder() const {
  const SymbolRow* row = CurrentRow();
  return row != nullptr && row->isSubfolder;
}

std::vector<const SymbolRow*> SymbolTable::SelectedSeries() const {
  std::vector<const SymbolRow*> series;
  for (const int row : selected) {
    if (HasRow(row) && !rows[static_cast<std::size_t>(row)].isSubfolder)
      series.push_back(&rows[static_cast<std::size_t>(row)]);
  }
  return series;
}

std::vector<ListedSymbol> SymbolTable::SelectedSymbols() const {
  std::vector<ListedSymbol> symbols;
  for (const SymbolRow* row : SelectedSeries()) symbols.push_back({row->symbol, row->index});
  return symbols;
}

std::string QuoteTable::CellText(int row, int column) const {
  if (!HasRow(row)) return {};
  const QuoteRow& q = rows[static_cast<std::size_t>(row)];
  switch (column) {
    case 0:
      return FormatUserDate(q.date);
    case 1:
      return PriceCellText(q.open);
    case 2:
      return PriceCellText(q.high);
    case 3:
      return PriceCellText(q.low);
    case 4:
      return PriceCellText(q.close);
    case 5:
      return CountCellText(q.volume);
    case 6:
      return CountCellText(q.openInterest);
    default:
      return {};
  }
}

std::string QuoteTable::TimeText(int row) const {
  if (!HasRow(row)) return {};
  return FormatTimeText(rows[static_cast<std::size_t>(row)].time);
}

std::string QuoteTable::BarText(int row) const {
  if (!HasRow(row)) return {};
  const QuoteRow& q = rows[static_cast<std::size_t>(row)];
  return voltrim::BarText(q.date, q.time, hasTime);
}

}  // namespace voltrim
