#include "browser/ui/grid_models.h"

#include <algorithm>
#include <array>

#include "widgets/qt_text.h"

namespace voltrim {
namespace {

constexpr std::array<const char*, kSymbolColumnCount> kSymbolTitles = {
    "Symbol", "Name", "First Date", "Last Date", "File"};
constexpr std::array<const char*, kQuoteColumnCount> kQuoteTitles = {
    "Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"};
constexpr std::array<const char*, kQuoteColumnCount + 1> kIntradayQuoteTitles = {
    "Date", "Time", "Open", "High", "Low", "Close", "Volume", "Open Interest"};

}  // namespace

GridModel::GridModel(std::span<const char* const> titles, QObject* parent)
    : QAbstractTableModel(parent), titles_(titles) {}

void GridModel::ShowRows(int rows) {
  beginResetModel();
  UpdateColumns();
  const int available = TableRows();
  rows_ = rows < 0 ? available : std::min(rows, available);
  endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
  return DataText(TableCell(index.row(), index.column()));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) {
    return QString::fromLatin1(titles_[static_cast<std::size_t>(section)]);
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

SymbolsModel::SymbolsModel(const BrowserState& state, QObject* parent)
    : GridModel(kSymbolTitles, parent), state_(state) {}

QuotesModel::QuotesModel(const BrowserState& state, QObject* parent)
    : GridModel(kQuoteTitles, parent), state_(state) {}

void QuotesModel::UpdateColumns() {
  timeShown_ = state_.quotes.hasTime;
  SetTitles(timeShown_ ? std::span<const char* const>(kIntradayQuoteTitles)
                       : std::span<const char* const>(kQuoteTitles));
}

std::string QuotesModel::TableCell(int row, int column) const {
  if (!timeShown_) return state_.quotes.CellText(row, column);
  if (column == 1) return state_.quotes.TimeText(row);
  return state_.quotes.CellText(row, column == 0 ? 0 : column - 1);
}

}  // namespace voltrim
