#include "browser/ui/path_list.h"

#include <algorithm>

#include <QStyledItemDelegate>

namespace voltrim {
namespace {

// Rows no wider than the list, so the view elides their text instead of scrolling.
class FittingDelegate : public QStyledItemDelegate {
 public:
  explicit FittingDelegate(QListWidget* list) : QStyledItemDelegate(list), list_(list) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setWidth(std::min(size.width(), list_->viewport()->width()));
    return size;
  }

 private:
  QListWidget* list_;
};

}  // namespace

PathList::PathList(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new FittingDelegate(this));
  setTextElideMode(Qt::ElideMiddle);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setResizeMode(QListView::Adjust);
}

void PathList::SetPaths(const QStringList& paths) {
  clear();
  for (const QString& path : paths) {
    auto* item = new QListWidgetItem(path, this);
    item->setToolTip(path);
  }
}

void PathList::resizeEvent(QResizeEvent* event) {
  QListWidget::resizeEvent(event);
  scheduleDelayedItemsLayout();
}

}  // namespace voltrim
