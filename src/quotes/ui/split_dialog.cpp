#include "quotes/ui/split_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

#include "quotes/entry_fields.h"
#include "quotes/ui/date_entry_field.h"
#include "quotes/ui/entry_limits.h"
#include "quotes/ui/numeric_entry_field.h"
#include "quotes/ui/quote_dialog_parts.h"
#include "widgets/qt_text.h"

namespace voltrim {

SplitDialog::SplitDialog(const SplitTexts& shown, QuoteSeriesContext series, UserPrompt& prompt,
                         QWidget* parent)
    : QDialog(parent), series_(std::move(series)), prompt_(prompt) {
  setWindowTitle(QStringLiteral("Split Data"));
  setObjectName(QStringLiteral("splitDialog"));

  auto* dateBox = new QGroupBox(QStringLiteral("Split Date"), this);
  date_ = new DateEntryField(DataText(shown.date), EntryBeep(prompt), dateBox);
  date_->setObjectName(QStringLiteral("date"));
  auto* dateLayout = new QVBoxLayout(dateBox);
  dateLayout->addWidget(date_);

  auto* ratioBox = new QGroupBox(QStringLiteral("Ratios"), this);
  newShares_ = new NumericEntryField(kSplitSharesMaxChars, EntryBeep(prompt), ratioBox);
  newShares_->setObjectName(QStringLiteral("newShares"));
  oldShares_ = new NumericEntryField(kSplitSharesMaxChars, EntryBeep(prompt), ratioBox);
  oldShares_->setObjectName(QStringLiteral("oldShares"));
  auto* ratios = new QGridLayout(ratioBox);
  newShares_->setText(DataText(shown.newShares));
  oldShares_->setText(DataText(shown.oldShares));
  for (NumericEntryField* field : {newShares_, oldShares_})
    field->setMinimumWidth(FieldWidthFor(*field, kAdjustMultiplierMaxChars));
  AddLabelledRow(*ratios, 0, QStringLiteral("New Shares"), newShares_);
  AddLabelledRow(*ratios, 1, QStringLiteral("Old Shares"), oldShares_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(dateBox);
  layout->addWidget(ratioBox);
  layout->addWidget(OkCancelButtons(*this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

SplitTexts SplitDialog::Texts() const {
  return {DataText(date_->text()), DataText(newShares_->text()), DataText(oldShares_->text())};
}

void SplitDialog::accept() {
  if (!EntriesWithinLimits({newShares_, oldShares_}, prompt_)) return;
  if (!CheckSplitEntries(Texts(), series_, prompt_)) return;
  QDialog::accept();
}

}  // namespace voltrim
