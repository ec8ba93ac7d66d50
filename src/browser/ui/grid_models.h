#pragma once

#include <QAbstractTableModel>

#include <span>
#include <string>

#include "browser/browser_state.h"

namespace voltrim {

// A grid over one table of the browser's state. Cell texts are formatted only for the
// rows on screen, and the row count shown is fixed between reloads, so a fill can show
// its first rows while it goes on appending.
class GridModel : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 protected:
  GridModel(std::span<const char* const> titles, QObject* parent);
  // Shows the first rows of the table (all of them when rows is negative).
  void ShowRows(int rows);
  void SetTitles(std::span<const char* const> titles) { titles_ = titles; }

 private:
  virtual int TableRows() const = 0;
  virtual std::string TableCell(int row, int column) const = 0;
  // Called inside each reset, where the columns may change.
  virtual void UpdateColumns() {}

  std::span<const char* const> titles_;
  int rows_ = 0;
};

// The symbols grid over the browser's SymbolTable, the rows its filter shows in the order
// of its sort.
class SymbolsModel : public GridModel {
  Q_OBJECT
 public:
  explicit SymbolsModel(const BrowserState& state, QObject* parent = nullptr);

  // The table was emptied or refilled.
  void Reload() { ShowRows(-1); }

 private:
  int TableRows() const override { return state_.symbolOrder.ShownCount(); }
  std::string TableCell(int row, int column) const override {
    return state_.symbols.CellText(state_.symbolOrder.TableRow(row), column);
  }

  const BrowserState& state_;
};

// The quotes grid over the browser's QuoteTable.
class QuotesModel : public GridModel {
  Q_OBJECT
 public:
  explicit QuotesModel(const BrowserState& state, QObject* parent = nullptr);

  // Shows the first rows of the table (all of them when rows is negative).
  void Reload(int rows = -1) { ShowRows(rows); }
  // The Time column follows Date (a series with a time of day), as of the last reload.
  bool TimeShown() const { return timeShown_; }

 private:
  int TableRows() const override { return state_.quotes.RowCount(); }
  std::string TableCell(int row, int column) const override;
  void UpdateColumns() override;

  const BrowserState& state_;
  bool timeShown_ = false;
};

}  // namespace voltrim
