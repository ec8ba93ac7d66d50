#pragma once

#include <QAbstractTableModel>

#include "browser/browser_state.h"

namespace voltrim {

// The symbols grid over the browser's SymbolTable.
class SymbolsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit SymbolsModel(const BrowserState& state, QObject* parent = nullptr);

  // The table was emptied or refilled.
  void Reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const BrowserState& state_;
  int rows_ = 0;
};

// The quotes grid over the browser's QuoteTable. Cell texts are formatted only for the
// rows on screen, and the row count shown is fixed between reloads, so a fill can show
// its first rows while it goes on appending.
class QuotesModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit QuotesModel(const BrowserState& state, QObject* parent = nullptr);

  // Shows the first rows of the table (all of them when rows is negative).
  void Reload(int rows = -1);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const BrowserState& state_;
  int rows_ = 0;
};

}  // namespace voltrim
