#include "widgets/symbol_list_box.h"

#include <algorithm>

#include "widgets/qt_text.h"

namespace voltrim {

namespace {

constexpr int kLinesShown = 6;

}  // namespace

QListWidget* SymbolListBox(const std::vector<std::string>& symbols, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(QStringLiteral("symbols"));
  list->setSelectionMode(QAbstractItemView::NoSelection);
  list->setFocusPolicy(Qt::NoFocus);
  for (const std::string& symbol : symbols) list->addItem(DataText(symbol));
  const int lines = std::clamp(static_cast<int>(symbols.size()), 1, kLinesShown);
  const int line = std::max(list->sizeHintForRow(0), list->fontMetrics().height());
  list->setFixedHeight(lines * line + 2 * list->frameWidth());
  return list;
}

}  // namespace voltrim
