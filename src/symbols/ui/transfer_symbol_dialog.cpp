#include "symbols/ui/transfer_symbol_dialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "symbols/symbol_messages.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"
#include "widgets/symbol_list_box.h"

namespace voltrim {
namespace {

QLabel* Static(const QString& text, const char* objectName, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  if (objectName) label->setObjectName(QString::fromLatin1(objectName));
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

}  // namespace

TransferSymbolDialog::TransferSymbolDialog(bool move, const Source& source,
                                           const std::vector<std::string>& destinations,
                                           QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(move ? QStringLiteral("Move Symbol") : QStringLiteral("Copy Symbol"));
  setObjectName(move ? QStringLiteral("moveSymbolDialog") : QStringLiteral("copySymbolDialog"));

  auto* facts = new QGridLayout;
  facts->addWidget(Static(QStringLiteral("You have chosen Symbol:"), nullptr, this), 0, 0);
  facts->addWidget(Static(DataText(source.symbol), "symbol", this), 0, 1);
  facts->addWidget(Static(QStringLiteral("with Name:"), nullptr, this), 1, 0);
  facts->addWidget(Static(DataText(source.name), "name", this), 1, 1);
  facts->addWidget(Static(QStringLiteral("presently in Portfolio:"), nullptr, this), 2, 0);
  facts->addWidget(Static(PathText(source.portfolioDir), "portfolio", this), 2, 1);
  facts->setColumnStretch(1, 1);
  Build(facts, destinations);
}

TransferSymbolDialog::TransferSymbolDialog(bool move, const std::vector<std::string>& symbols,
                                           const std::string& portfolioDir,
                                           const std::vector<std::string>& destinations,
                                           QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(move ? QStringLiteral("Move Symbols") : QStringLiteral("Copy Symbols"));
  setObjectName(move ? QStringLiteral("moveSymbolDialog") : QStringLiteral("copySymbolDialog"));
  auto* facts = new QGridLayout;
  const int count = static_cast<int>(symbols.size());
  facts->addWidget(
      Static(QString::asprintf(symbol_messages::kChosenManyFormat, count), nullptr, this), 0, 0, 1,
      2);
  facts->addWidget(SymbolListBox(symbols, this), 1, 0, 1, 2);
  facts->addWidget(Static(QStringLiteral("presently in Portfolio:"), nullptr, this), 2, 0);
  facts->addWidget(Static(PathText(portfolioDir), "portfolio", this), 2, 1);
  facts->setColumnStretch(1, 1);
  Build(facts, destinations);
}

void TransferSymbolDialog::Build(QLayout* facts, const std::vector<std::string>& destinations) {
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("destinations"));
  // Paths are shown whole: a long one scrolls sideways instead of being shortened.
  list_->setTextElideMode(Qt::ElideNone);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const std::string& destination : destinations) list_->addItem(PathText(destination));
  if (list_->count() > 0) list_->setCurrentRow(0);
  auto* chooseLabel =
      Static(QStringLiteral("Select destination portfolio and click OK"), nullptr, this);
  chooseLabel->setBuddy(list_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &TransferSymbolDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TransferSymbolDialog::reject);
  connect(list_, &QListWidget::itemDoubleClicked, this, &TransferSymbolDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(facts);
  layout->addSpacing(DialogUnits(*this, 0, 4).height());
  layout->addWidget(chooseLabel);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons);
  setMinimumSize(DialogUnits(*this, 220, 160));
  list_->setFocus();
}

std::string TransferSymbolDialog::Destination() const {
  const QList<QListWidgetItem*> selected = list_->selectedItems();
  return selected.isEmpty() ? std::string() : PathText(selected.front()->text());
}

}  // namespace voltrim
