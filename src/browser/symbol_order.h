#pragma once

#include <string>
#include <vector>

namespace voltrim {

struct SymbolTable;

// Which rows of the symbols grid are shown, and in what order: the text typed into the
// filter field and the column the grid is sorted by. The table itself stays in the index
// files' order, by which the commands address a row; the grid shows table rows through
// this list, so neither the filter nor the sort changes the row a command acts on.
struct SymbolOrder {
  std::string filter;   // rows whose symbol or name holds it, without regard to case
  int sortColumn = -1;  // a SymbolTable column, or -1 for the files' order
  bool descending = false;
  std::vector<int> shown;  // table rows, in the order shown

  int ShownCount() const { return static_cast<int>(shown.size()); }
  // The table row at a place in the grid, or -1.
  int TableRow(int place) const;
  // Where a table row is shown, or -1 when the filter hides it.
  int PlaceOf(int tableRow) const;

  // Recomputes shown from the table, the filter and the sort.
  void Arrange(const SymbolTable& table);
  // A click on a column's header: ascending, then descending, then the files' order again.
  void ClickColumn(int column);

 private:
  std::vector<int> places_;  // table row -> place, -1 hidden
};

}  // namespace voltrim
