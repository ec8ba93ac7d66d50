#include "browser/ui/grid_models.h"

#include <algorithm>
#include <array>

#include "app/qt_text.h"

namespace voltrim {
namespace {

QVariant HeaderText(const char* const* titles, int count, int section, Qt::Orientation orientation,
                    int role) {
  if (orientation != Qt::Horizontal || section < 0 || section >= count) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(titles[section]);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

constexpr std::array<const char*, kSymbolColumnCount> kSymbolTitles = {"Symbol", "Name"};
constexpr std::array<const char*, kQuoteColumnCount> kQuoteTitles = {
    "Date", "Open", "High", "Low", "Close", "Volume", "Open Interest"};

}  // namespace

SymbolsModel::SymbolsModel(const BrowserState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {}

void SymbolsModel::Reload() {
  beginResetModel();
  rows_ = state_.symbols.RowCount();
  endResetModel();
}

int SymbolsModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int SymbolsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kSymbolColumnCount;
}

QVariant SymbolsModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
  return DataText(state_.symbols.CellText(index.row(), index.column()));
}

QVariant SymbolsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  return HeaderText(kSymbolTitles.data(), kSymbolColumnCount, section, orientation, role);
}

QuotesModel::QuotesModel(const BrowserState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {}

void QuotesModel::Reload(int rows) {
  beginResetModel();
  const int available = state_.quotes.RowCount();
  rows_ = rows < 0 ? available : std::min(rows, available);
  endResetModel();
}

int QuotesModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int QuotesModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kQuoteColumnCount;
}

QVariant QuotesModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
  return DataText(state_.quotes.CellText(index.row(), index.column()));
}

QVariant QuotesModel::headerData(int section, Qt::Orientation orientation, int role) const {
  return HeaderText(kQuoteTitles.data(), kQuoteColumnCount, section, orientation, role);
}

}  // namespace voltrim
