#include "browser/ui/grid_view.h"

#include <algorithm>

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

namespace voltrim {
namespace {

const QColor kGridLine(192, 192, 192);
constexpr int kInset = 2;

}  // namespace

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const QRect cell = option.rect;
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette& palette = option.palette;
  // The highlight stays the same when the grid loses focus, so the current row of
  // both grids is always visible.
  painter->save();
  painter->fillRect(cell, selected ? palette.color(QPalette::Active, QPalette::Highlight)
                                   : palette.color(QPalette::Base));

  painter->setPen(kGridLine);
  const int bottom = cell.bottom();
  const int columnLine = cell.right() - kInset + 1;
  painter->drawLine(cell.left(), bottom, cell.right(), bottom);
  painter->drawLine(columnLine, bottom, columnLine, cell.top());

  const QRect textArea = cell.adjusted(kInset, 0, -kInset, 0);
  painter->setClipRect(textArea);
  painter->setPen(selected ? palette.color(QPalette::Active, QPalette::HighlightedText)
                           : palette.color(QPalette::Text));
  painter->setFont(option.font);
  painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    index.data(Qt::DisplayRole).toString());
  painter->restore();
}

GridView::GridView(QWidget* parent) : QTableView(parent) {
  setItemDelegate(new GridDelegate(this));
  setShowGrid(false);
  setWordWrap(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setTabKeyNavigation(false);
  setCornerButtonEnabled(false);

  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);

  QHeaderView* header = horizontalHeader();
  header->setSectionsClickable(false);
  header->setHighlightSections(false);
  header->setSectionsMovable(false);
  header->setStretchLastSection(false);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(0);
}

void GridView::SelectRow(int row, bool scrollIntoView) {
  if (!model() || row < 0 || row >= model()->rowCount()) return;
  const QModelIndex index = model()->index(row, 0);
  const bool scrolls = hasAutoScroll();
  setAutoScroll(scrollIntoView);
  selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  setAutoScroll(scrolls);
}

int GridView::SelectedRow() const {
  if (!selectionModel()) return -1;
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

QModelIndex GridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  // Like a report list, Home and End go to the first and last row.
  if (model() && model()->rowCount() > 0 && (action == MoveHome || action == MoveEnd)) {
    const int row = action == MoveHome ? 0 : model()->rowCount() - 1;
    return model()->index(row, std::max(currentIndex().column(), 0));
  }
  return QTableView::moveCursor(action, modifiers);
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) Q_EMIT gridClicked();
}

void GridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  if (!selected.isEmpty() && !selected.indexes().isEmpty()) {
    Q_EMIT rowSelected(selected.indexes().first().row());
  }
}

}  // namespace voltrim
