#include "browser/ui/grid_view.h"

#include <algorithm>

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace voltrim {
namespace {

const QColor kGridLine(192, 192, 192);
constexpr int kInset = 2;
constexpr qreal kDimShare = 0.35;  // share of the highlight in the unfocused grid's row

}  // namespace

QColor DimHighlight(const QPalette& palette) {
  const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
  const QColor base = palette.color(QPalette::Base);
  const auto mix = [](int a, int b) {
    return static_cast<int>(a * kDimShare + b * (1 - kDimShare) + 0.5);
  };
  return QColor(mix(highlight.red(), base.red()), mix(highlight.green(), base.green()),
                mix(highlight.blue(), base.blue()));
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  const QRect cell = option.rect;
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette& palette = option.palette;
  // The current row of both grids stays visible; the grid without the keyboard focus
  // shows it dimmer, so that the user sees where the keys go.
  const bool focused = option.widget && option.widget->hasFocus();
  painter->save();
  if (selected) {
    painter->fillRect(cell, focused ? palette.color(QPalette::Active, QPalette::Highlight)
                                    : DimHighlight(palette));
  } else {
    painter->fillRect(cell, palette.color(QPalette::Base));
  }

  painter->setPen(kGridLine);
  const int bottom = cell.bottom();
  const int columnLine = cell.right() - kInset + 1;
  painter->drawLine(cell.left(), bottom, cell.right(), bottom);
  painter->drawLine(columnLine, bottom, columnLine, cell.top());

  const QRect textArea = cell.adjusted(kInset, 0, -kInset, 0);
  painter->setClipRect(textArea);
  painter->setPen(selected && focused ? palette.color(QPalette::Active, QPalette::HighlightedText)
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
  // The last column takes what the others leave, so no empty band stays at the right.
  header->setStretchLastSection(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(0);
  // The last column's own stretching follows the width; it is no choice of widths.
  connect(header, &QHeaderView::sectionResized, this, [this](int column) {
    if (!following_ && model() && column + 1 < model()->columnCount()) NoteColumnShares();
  });
}

void GridView::NoteColumnShares() {
  const int width = viewport()->width();
  if (width <= 0 || !model()) return;
  shares_.resize(static_cast<std::size_t>(model()->columnCount()));
  for (std::size_t column = 0; column < shares_.size(); ++column)
    shares_[column] = columnWidth(static_cast<int>(column)) / static_cast<double>(width);
}

void GridView::FollowWidth() {
  const int width = viewport()->width();
  if (width <= 0 || !model() || shares_.size() != static_cast<std::size_t>(model()->columnCount()))
    return;
  following_ = true;
  // The last column stretches over what the others leave; rounded down, they never overrun.
  int used = 0;
  for (std::size_t column = 0; column + 1 < shares_.size(); ++column) {
    setColumnWidth(static_cast<int>(column), static_cast<int>(shares_[column] * width));
    used += columnWidth(static_cast<int>(column));
  }
  // The header does not stretch its last section again by itself after such changes.
  if (used < width) setColumnWidth(static_cast<int>(shares_.size()) - 1, width - used);
  following_ = false;
}

bool GridView::viewportEvent(QEvent* event) {
  const bool handled = QTableView::viewportEvent(event);
  if (event->type() == QEvent::Resize) FollowWidth();
  return handled;
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

void GridView::AllowManyRows() {
  manyRows_ = true;
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

std::vector<int> GridView::SelectedRows() const {
  std::vector<int> rows;
  if (!selectionModel()) return rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
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

void GridView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    Q_EMIT enterPressed();
    return;
  }
  QTableView::keyPressEvent(event);
}

void GridView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  viewport()->update();
}

void GridView::focusOutEvent(QFocusEvent* event) {
  QTableView::focusOutEvent(event);
  viewport()->update();
}

void GridView::mouseReleaseEvent(QMouseEvent* event) {
  QTableView::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) Q_EMIT gridClicked();
}

void GridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  QTableView::selectionChanged(selected, deselected);
  if (manyRows_) {
    Q_EMIT selectedRowsChanged();
  } else if (!selected.isEmpty() && !selected.indexes().isEmpty()) {
    Q_EMIT rowSelected(selected.indexes().first().row());
  }
}

void GridView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (manyRows_ && current.isValid() && current.row() != previous.row())
    Q_EMIT rowSelected(current.row());
}

SymbolFilterField::SymbolFilterField(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("symbolFilter"));
  setPlaceholderText(QStringLiteral("Find symbol or name (Ctrl+F)"));
  setClearButtonEnabled(true);
  // The find key of every window: from anywhere in this one, into the field.
  auto* find = new QAction(this);
  find->setShortcut(QKeySequence::Find);
  find->setShortcutContext(Qt::WindowShortcut);
  connect(find, &QAction::triggered, this, [this] {
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
  });
  addAction(find);
}

void SymbolFilterField::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Q_EMIT firstRowWanted();
      return;
    case Qt::Key_Escape:
      if (!text().isEmpty()) {
        clear();
        return;
      }
      break;
    default:
      break;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace voltrim
