#include "quotes/ui/adjust_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "quotes/entry_fields.h"
#include "quotes/ui/date_entry_field.h"
#include "quotes/ui/entry_limits.h"
#include "quotes/ui/numeric_entry_field.h"
#include "quotes/ui/quote_dialog_parts.h"
#include "widgets/qt_text.h"

namespace voltrim {

AdjustDialog::AdjustDialog(QuoteSeriesContext series, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), series_(std::move(series)), prompt_(prompt) {
  setWindowTitle(QStringLiteral("Adjust Data"));
  setObjectName(QStringLiteral("adjustDialog"));

  auto* dateBox = new QGroupBox(QStringLiteral("Dates"), this);
  from_ = new DateEntryField(DataText(series_.firstDateText), EntryBeep(prompt), dateBox);
  from_->setObjectName(QStringLiteral("from"));
  to_ = new DateEntryField(DataText(series_.lastDateText), EntryBeep(prompt), dateBox);
  to_->setObjectName(QStringLiteral("to"));
  auto* dates = new QGridLayout(dateBox);
  AddLabelledRow(*dates, 0, QStringLiteral("From:"), from_);
  AddLabelledRow(*dates, 1, QStringLiteral("To:"), to_);

  auto* multiplierBox = new QGroupBox(QStringLiteral("Multipliers"), this);
  price_ = new NumericEntryField(kAdjustMultiplierMaxChars, EntryBeep(prompt), multiplierBox);
  price_->setObjectName(QStringLiteral("price"));
  volume_ = new NumericEntryField(kAdjustMultiplierMaxChars, EntryBeep(prompt), multiplierBox);
  volume_->setObjectName(QStringLiteral("volume"));
  // Open interest takes any character, so a negative multiplier can be typed here.
  openInterest_ = new QLineEdit(multiplierBox);
  openInterest_->setObjectName(QStringLiteral("openInterest"));
  openInterest_->setMaxLength(kAdjustMultiplierMaxChars);
  for (QLineEdit* field :
       {static_cast<QLineEdit*>(price_), static_cast<QLineEdit*>(volume_), openInterest_}) {
    field->setText(QStringLiteral("1"));
    field->setMinimumWidth(FieldWidthFor(*price_, kAdjustMultiplierMaxChars));
  }
  auto* multipliers = new QGridLayout(multiplierBox);
  AddLabelledRow(*multipliers, 0, QStringLiteral("Price"), price_);
  AddLabelledRow(*multipliers, 1, QStringLiteral("Volume"), volume_);
  AddLabelledRow(*multipliers, 2, QStringLiteral("Open Interest"), openInterest_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(dateBox);
  layout->addWidget(multiplierBox);
  layout->addWidget(OkCancelButtons(*this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

AdjustTexts AdjustDialog::Texts() const {
  return {DataText(from_->text()), DataText(to_->text()), DataText(price_->text()),
          DataText(volume_->text()), DataText(openInterest_->text())};
}

void AdjustDialog::accept() {
  if (!EntriesWithinLimits({price_, volume_}, prompt_)) return;
  if (!CheckAdjustEntries(Texts(), series_, prompt_)) return;
  QDialog::accept();
}

}  // namespace voltrim
