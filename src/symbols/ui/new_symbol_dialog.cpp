#include "symbols/ui/new_symbol_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "datafiles/format/master.h"
#include "symbols/symbol_commands.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

QLineEdit* FieldInGroup(const char* title, const char* objectName, int limit, QWidget* parent,
                        QVBoxLayout& layout) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  auto* field = new QLineEdit(group);
  field->setObjectName(QString::fromLatin1(objectName));
  field->setMaxLength(limit);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(field);
  layout.addWidget(group);
  return field;
}

}  // namespace

NewSymbolDialog::NewSymbolDialog(UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), prompt_(prompt) {
  setWindowTitle(QStringLiteral("New Symbol"));
  setObjectName(QStringLiteral("newSymbolDialog"));

  auto* layout = new QVBoxLayout(this);
  symbol_ = FieldInGroup("Symbol", "symbol", static_cast<int>(kSymbolFieldSize), this, *layout);
  name_ = FieldInGroup("Name", "name", static_cast<int>(kNameFieldSize), this, *layout);

  auto* group = new QGroupBox(QStringLiteral("Columns"), this);
  auto* groupLayout = new QVBoxLayout(group);
  columns_ = new QButtonGroup(this);
  const struct {
    int columns;
    const char* text;
  } choices[] = {{5, "Date, High, Low, Close, Volume"},
                 {6, "Date, Open, High, Low, Close, Volume"},
                 {7, "Date, Open, High, Low, Close, Volume, Open Interest"}};
  for (const auto& choice : choices) {
    auto* button = new QRadioButton(QString::fromLatin1(choice.text), group);
    button->setObjectName(QStringLiteral("columns%1").arg(choice.columns));
    button->setChecked(choice.columns == 7);
    columns_->addButton(button, choice.columns);
    groupLayout->addWidget(button);
  }
  intraday_ = new QCheckBox(QStringLiteral("Intraday (a Time column after the Date)"), group);
  intraday_->setObjectName(QStringLiteral("intraday"));
  groupLayout->addWidget(intraday_);
  layout->addWidget(group);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &NewSymbolDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &NewSymbolDialog::reject);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 160, 0).width());
  symbol_->setFocus();
}

NewSeries NewSymbolDialog::Series() const {
  NewSeries series;
  series.symbol = DataText(symbol_->text());
  series.name = DataText(name_->text());
  series.columns = columns_->checkedId();
  series.intraday = intraday_->isChecked();
  return series;
}

void NewSymbolDialog::accept() {
  if (!CheckSymbolEntry(Series().symbol, prompt_)) {
    symbol_->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace voltrim
