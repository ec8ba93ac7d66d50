#include "history/ui/history_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "widgets/qt_text.h"

namespace voltrim {

namespace {

enum Column { kNumber, kWhen, kWhat, kState, kColumns };

}  // namespace

HistoryDialog::HistoryDialog(const std::string& folder, ReadRows readRows, StepTo stepTo,
                             QWidget* parent)
    : QDialog(parent), readRows_(std::move(readRows)), stepTo_(std::move(stepTo)) {
  setWindowTitle(QStringLiteral("History"));
  setObjectName(QStringLiteral("historyDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* heading =
      new QLabel(QStringLiteral("Changes to %1, newest first:").arg(PathText(folder)), this);
  heading->setWordWrap(true);
  layout->addWidget(heading);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("historyList"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setAllColumnsShowFocus(true);
  list_->setHeaderLabels({QStringLiteral("No."), QStringLiteral("When"), QStringLiteral("Change"),
                          QStringLiteral("State")});
  const int character = fontMetrics().averageCharWidth();
  list_->setMinimumSize(character * 80, fontMetrics().height() * 14);
  list_->header()->setStretchLastSection(false);
  list_->header()->setSectionResizeMode(kWhat, QHeaderView::Stretch);
  layout->addWidget(list_);

  auto* buttons = new QDialogButtonBox(this);
  undo_ = buttons->addButton(QStringLiteral("&Undo to Here"), QDialogButtonBox::ActionRole);
  redo_ = buttons->addButton(QStringLiteral("&Redo to Here"), QDialogButtonBox::ActionRole);
  buttons->addButton(QDialogButtonBox::Close);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(undo_, &QPushButton::clicked, this, [this] { Step(HistoryStep::kUndo); });
  connect(redo_, &QPushButton::clicked, this, [this] { Step(HistoryStep::kRedo); });
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
  Reload();
}

void HistoryDialog::Reload() {
  const QTreeWidgetItem* current = list_->currentItem();
  const int selected = current ? current->data(kNumber, Qt::UserRole).toInt() : 0;
  rows_ = readRows_();
  list_->clear();
  QTreeWidgetItem* select = nullptr;
  for (const HistoryRow& row : rows_) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(kNumber, QString::number(row.number));
    item->setData(kNumber, Qt::UserRole, row.number);
    item->setTextAlignment(kNumber, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(kWhen, DataText(row.when));
    item->setText(kWhat, DataText(row.what));
    item->setText(kState, row.redoable ? QStringLiteral("Undone") : QString());
    // Undone changes are greyed, as a redo would bring them back.
    if (row.redoable)
      for (int column = 0; column < kColumns; ++column)
        item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
    // At first the newest change not undone: the one Undo to Here takes back first.
    if (row.number == selected || (!select && selected == 0 && !row.redoable)) select = item;
  }
  for (int column = kNumber; column < kColumns; ++column)
    if (column != kWhat) list_->resizeColumnToContents(column);
  if (!select) select = list_->topLevelItem(0);
  if (select) list_->setCurrentItem(select);
  UpdateButtons();
}

void HistoryDialog::UpdateButtons() {
  const QTreeWidgetItem* item = list_->currentItem();
  const int index = item ? list_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item)) : -1;
  const bool valid = index >= 0 && index < static_cast<int>(rows_.size());
  undo_->setEnabled(valid && !rows_[static_cast<std::size_t>(index)].redoable);
  redo_->setEnabled(valid && rows_[static_cast<std::size_t>(index)].redoable);
}

void HistoryDialog::Step(HistoryStep step) {
  const QTreeWidgetItem* item = list_->currentItem();
  if (!item) return;
  stepTo_(step, item->data(kNumber, Qt::UserRole).toInt());
  Reload();
}

}  // namespace voltrim
