#include "check/ui/check_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "check/check_report_text.h"
#include "widgets/qt_text.h"

namespace voltrim {

namespace {

enum Column { kSymbol = 0, kFile, kQuote, kKind, kDetail, kColumns };
// The row's place in the report, kept on the first cell so that sorting loses nothing.
constexpr int kFindingRole = Qt::UserRole + 1;
constexpr int kSortRole = Qt::UserRole + 2;

QStandardItem* Cell(const QString& text, const QVariant& sortKey) {
  auto* item = new QStandardItem(text);
  item->setEditable(false);
  item->setData(sortKey, kSortRole);
  return item;
}

}  // namespace

CheckWindow::CheckWindow(ShowFinding showFinding, QWidget* parent)
    : QDialog(parent),
      showFinding_(std::move(showFinding)),
      model_(new QStandardItemModel(0, kColumns, this)),
      proxy_(new QSortFilterProxyModel(this)),
      table_(new QTableView(this)),
      kindFilter_(new QComboBox(this)),
      summary_(new QLabel(this)) {
  setModal(false);
  model_->setHorizontalHeaderLabels({"Symbol", "File", "Quote", "Kind", "Detail"});
  proxy_->setSourceModel(model_);
  proxy_->setSortRole(kSortRole);
  proxy_->setFilterKeyColumn(kKind);
  table_->setModel(proxy_);
  table_->setSortingEnabled(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  // One line of text a finding, as compact as the browser's grids.
  table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->sortByColumn(-1, Qt::AscendingOrder);  // report order until a header is clicked
  connect(table_, &QTableView::doubleClicked, this, &CheckWindow::OnDoubleClicked);

  kindFilter_->addItem("All kinds");
  for (int k = 0; k < kFindingKindCount; ++k) {
    kindFilter_->addItem(QString::fromLatin1(KindName(static_cast<FindingKind>(k))));
  }
  connect(kindFilter_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Show:", this));
  top->addWidget(kindFilter_);
  top->addStretch();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_);
  layout->addWidget(summary_);
  layout->addWidget(buttons);
  resize(760, 420);
}

void CheckWindow::SetReport(const std::string& portfolioDir, CheckReport report) {
  portfolioDir_ = portfolioDir;
  report_ = std::move(report);
  setWindowTitle("Check - " + PathText(portfolioDir));
  summary_->setText(DataText(CheckSummary(report_)));
  FillTable();
}

QString CheckWindow::Summary() const { return summary_->text(); }

void CheckWindow::FillTable() {
  model_->removeRows(0, model_->rowCount());
  for (std::size_t i = 0; i < report_.findings.size(); ++i) {
    const Finding& finding = report_.findings[i];
    const auto order = static_cast<qlonglong>(i);
    QList<QStandardItem*> row = {
        Cell(DataText(finding.symbol), DataText(finding.symbol)),
        Cell(PathText(finding.file), PathText(finding.file)),
        // Quotes sort by their place in the series, not by the text of their dates.
        Cell(DataText(FindingPlace(finding)), finding.quoteIndex),
        Cell(QString::fromLatin1(KindName(finding.kind)), static_cast<int>(finding.kind)),
        Cell(DataText(finding.detail), DataText(finding.detail))};
    row[kSymbol]->setData(order, kFindingRole);
    model_->appendRow(row);
  }
  table_->resizeColumnsToContents();
}

void CheckWindow::ApplyFilter() {
  const int choice = kindFilter_->currentIndex();
  if (choice <= 0) {
    proxy_->setFilterFixedString(QString());
    return;
  }
  // Whole names only: "date-order" must not also show "duplicate-date".
  proxy_->setFilterRegularExpression(
      QRegularExpression("^" + QRegularExpression::escape(kindFilter_->currentText()) + "$"));
}

void CheckWindow::OnDoubleClicked(const QModelIndex& index) {
  const QModelIndex source = proxy_->mapToSource(index);
  const auto at = model_->item(source.row(), kSymbol)->data(kFindingRole).toLongLong();
  if (at < 0 || at >= static_cast<qlonglong>(report_.findings.size())) return;
  const Finding& finding = report_.findings[static_cast<std::size_t>(at)];
  if (finding.recordIndex < 0 || !showFinding_(portfolioDir_, finding)) QApplication::beep();
}

}  // namespace voltrim
