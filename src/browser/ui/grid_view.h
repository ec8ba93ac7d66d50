#pragma once

#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>

#include <vector>

namespace voltrim {

// The current row's colour in a grid without the keyboard focus.
QColor DimHighlight(const QPalette& palette);

// Draws the grids' rows: window background or highlight, light-grey lines along the
// bottom of each row and at the right of each column, the text inset by 2 pixels.
class GridDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

// A report list: whole rows selected one at a time (or, made so, several with Shift and
// Ctrl, and Ctrl+A), fixed row height, resizable columns.
// The columns keep their shares of the width when the grid grows or shrinks, so that a
// window made smaller does not hide the last ones behind a sideways scroll bar.
class GridView : public QTableView {
  Q_OBJECT
 public:
  explicit GridView(QWidget* parent = nullptr);

  // Rows are selected as in a file manager: Shift and Ctrl with clicks, Shift with the
  // arrow keys, Ctrl+A for all. rowSelected then follows the current row.
  void AllowManyRows();
  // Selects a row alone and makes it current; the view scrolls to it only when asked.
  void SelectRow(int row, bool scrollIntoView);
  // The row shown selected, or -1.
  int SelectedRow() const;
  // Every row shown selected, ascending.
  std::vector<int> SelectedRows() const;

 Q_SIGNALS:
  // A left click anywhere in the grid, after the click's selection change.
  void gridClicked();
  // A row came to be shown selected, by mouse, keyboard or program (with many rows allowed:
  // became the current row).
  void rowSelected(int row);
  // The rows shown selected changed (with many rows allowed).
  void selectedRowsChanged();
  // Enter or Return pressed in the grid.
  void enterPressed();

 protected:
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void NoteColumnShares();
  void FollowWidth();

  std::vector<double> shares_;  // each column's width over the grid's, as last set
  bool following_ = false;
  bool manyRows_ = false;
};

// The field above the symbols grid that narrows its rows as the user types. Ctrl+F (the
// find key) puts the cursor in it; Down and Enter leave it for the first row shown; Escape
// clears it.
class SymbolFilterField : public QLineEdit {
  Q_OBJECT
 public:
  explicit SymbolFilterField(QWidget* parent = nullptr);

 Q_SIGNALS:
  // Down, Enter or Return: the user wants the first row shown.
  void firstRowWanted();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace voltrim
