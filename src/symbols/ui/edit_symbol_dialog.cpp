#include "symbols/ui/edit_symbol_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "symbols/symbol_commands.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

QLineEdit* FieldInGroup(const char* title, const std::string& text, int limit, QWidget* parent,
                        QVBoxLayout& layout) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  auto* field = new QLineEdit(group);
  field->setMaxLength(limit);
  field->setText(DataText(text));
  // Wide enough to show the longest text the field takes (45 characters for an XMASTER
  // name): QLineEdit's own hint is 17 characters plus its margins.
  const QFontMetrics metrics = field->fontMetrics();
  const int margins = field->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
  const int longest = std::max(metrics.horizontalAdvance(QString(limit, QLatin1Char('N'))),
                               metrics.horizontalAdvance(field->text()));
  field->setMinimumWidth(longest + margins);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(field);
  layout.addWidget(group);
  return field;
}

}  // namespace

EditSymbolDialog::EditSymbolDialog(const std::string& symbol, const std::string& name,
                                   UserPrompt& prompt, QWidget* parent, int symbolLimit,
                                   int nameLimit)
    : QDialog(parent), prompt_(prompt) {
  setWindowTitle(QStringLiteral("Edit Symbol"));
  setObjectName(QStringLiteral("editSymbolDialog"));

  auto* layout = new QVBoxLayout(this);
  symbol_ = FieldInGroup("Symbol", symbol, symbolLimit, this, *layout);
  symbol_->setObjectName(QStringLiteral("symbol"));
  name_ = FieldInGroup("Name", name, nameLimit, this, *layout);
  name_->setObjectName(QStringLiteral("name"));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &EditSymbolDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &EditSymbolDialog::reject);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 140, 0).width());
  symbol_->setFocus();
}

std::string EditSymbolDialog::Symbol() const { return DataText(symbol_->text()); }

std::string EditSymbolDialog::Name() const { return DataText(name_->text()); }

void EditSymbolDialog::accept() {
  if (!CheckSymbolEntry(Symbol(), prompt_)) {
    symbol_->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace voltrim
