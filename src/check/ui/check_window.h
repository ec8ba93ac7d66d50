#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "check/check_finding.h"

class QComboBox;
class QLabel;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

namespace voltrim {

// Portfolio > Check: the findings of one portfolio in a sortable table with a filter by
// kind. Modeless; double-clicking a finding asks the owner to show its quote.
class CheckWindow : public QDialog {
  Q_OBJECT
 public:
  // Called with the report's portfolio and the finding double-clicked; returns false
  // when it cannot be shown.
  using ShowFinding = std::function<bool(const std::string& portfolioDir, const Finding&)>;

  CheckWindow(ShowFinding showFinding, QWidget* parent);

  // Replaces the report shown (the portfolio's folder names the window).
  void SetReport(const std::string& portfolioDir, CheckReport report);

  QTableView* Table() const { return table_; }
  QComboBox* KindFilter() const { return kindFilter_; }
  QString Summary() const;

 private:
  void FillTable();
  void ApplyFilter();
  void OnDoubleClicked(const QModelIndex& index);

  ShowFinding showFinding_;
  std::string portfolioDir_;
  CheckReport report_;
  QStandardItemModel* model_;
  QSortFilterProxyModel* proxy_;
  QTableView* table_;
  QComboBox* kindFilter_;
  QLabel* summary_;
};

}  // namespace voltrim
