#include "browser/symbol_order.h"

#include <algorithm>
#include <string_view>

#include "browser/browser_state.h"
#include "datafiles/format/ascii_case.h"

namespace voltrim {
namespace {

// Letters compare by ASCII alone, whatever the locale (tr_TR has a dotless i).
bool HoldsIgnoringCase(std::string_view text, std::string_view upperPart) {
  if (upperPart.size() > text.size()) return false;
  for (std::size_t at = 0; at + upperPart.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < upperPart.size() && UpperAscii(text[at + i]) == upperPart[i]) ++i;
    if (i == upperPart.size()) return true;
  }
  return false;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char x = UpperAscii(a[i]);
    const char y = UpperAscii(b[i]);
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareBy(const SymbolRow& a, const SymbolRow& b, int column) {
  const auto order = [](auto x, auto y) { return x == y ? 0 : (x < y ? -1 : 1); };
  switch (column) {
    case 0:
      return CompareIgnoringCase(a.symbol, b.symbol);
    case 1:
      return CompareIgnoringCase(a.name, b.name);
    case 2:
      return order(a.firstDate, b.firstDate);
    case 3:
      return order(a.lastDate, b.lastDate);
    default:
      // MASTER's numbers (1-255) come before XMASTER's (256 and up); sub-folders first.
      return order(a.isSubfolder ? -1 : a.fileNumber, b.isSubfolder ? -1 : b.fileNumber);
  }
}

}  // namespace

int SymbolOrder::TableRow(int place) const {
  return place >= 0 && place < ShownCount() ? shown[static_cast<std::size_t>(place)] : -1;
}

int SymbolOrder::PlaceOf(int tableRow) const {
  return tableRow >= 0 && tableRow < static_cast<int>(places_.size())
             ? places_[static_cast<std::size_t>(tableRow)]
             : -1;
}

void SymbolOrder::Arrange(const SymbolTable& table) {
  const std::string part = UpperAscii(filter);
  shown.clear();
  for (int row = 0; row < table.RowCount(); ++row) {
    const SymbolRow& r = table.rows[static_cast<std::size_t>(row)];
    if (part.empty() || HoldsIgnoringCase(r.symbol, part) || HoldsIgnoringCase(r.name, part))
      shown.push_back(row);
  }
  if (sortColumn >= 0) {
    // Equal keys keep the files' order, in either direction.
    std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) {
      const int c = CompareBy(table.rows[static_cast<std::size_t>(a)],
                              table.rows[static_cast<std::size_t>(b)], sortColumn);
      return descending ? c > 0 : c < 0;
    });
  }
  places_.assign(static_cast<std::size_t>(table.RowCount()), -1);
  for (int place = 0; place < ShownCount(); ++place)
    places_[static_cast<std::size_t>(shown[static_cast<std::size_t>(place)])] = place;
}

void SymbolOrder::ClickColumn(int column) {
  if (column != sortColumn) {
    sortColumn = column;
    descending = false;
  } else if (!descending) {
    descending = true;
  } else {
    sortColumn = -1;
    descending = false;
  }
}

}  // namespace voltrim
