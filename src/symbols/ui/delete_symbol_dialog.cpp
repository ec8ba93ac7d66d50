#include "symbols/ui/delete_symbol_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "symbols/symbol_messages.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"
#include "widgets/symbol_list_box.h"

namespace voltrim {

DeleteSymbolDialog::DeleteSymbolDialog(const std::vector<std::string>& symbols, QWidget* parent)
    : QDialog(parent) {
  const bool many = symbols.size() > 1;
  setWindowTitle(many ? QStringLiteral("Delete Symbols") : QStringLiteral("Delete Symbol"));
  setObjectName(QStringLiteral("deleteSymbolDialog"));

  const int count = static_cast<int>(symbols.size());
  auto* group =
      new QGroupBox(many ? QString::asprintf(symbol_messages::kDeleteManyGroupFormat, count)
                         : QString::fromLatin1(symbol_messages::kDeleteGroupTitle),
                    this);
  auto* groupLayout = new QVBoxLayout(group);
  if (many) {
    groupLayout->addWidget(SymbolListBox(symbols, group));
  } else {
    auto* symbolText =
        new QLabel(DataText(symbols.empty() ? std::string() : symbols.front()), group);
    symbolText->setObjectName(QStringLiteral("symbol"));
    symbolText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    groupLayout->addWidget(symbolText);
  }
  auto* question =
      new QLabel(many ? QString::asprintf(symbol_messages::kDeleteManyQuestionFormat, count)
                      : QString::fromLatin1(symbol_messages::kDeleteQuestion),
                 this);
  question->setObjectName(QStringLiteral("question"));
  question->setWordWrap(true);

  auto* buttons = new QDialogButtonBox(this);
  yes_ = buttons->addButton(QStringLiteral("Yes"), QDialogButtonBox::AcceptRole);
  no_ = buttons->addButton(QStringLiteral("No"), QDialogButtonBox::RejectRole);
  yes_->setAutoDefault(false);
  no_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &DeleteSymbolDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &DeleteSymbolDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(question);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 160, 0).width());
  no_->setFocus();
}

void DeleteSymbolDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Over the middle of the main window, where the user's eyes are.
  if (QWidget* owner = parentWidget()) {
    const QRect frame = owner->window()->frameGeometry();
    move(frame.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
}

}  // namespace voltrim
