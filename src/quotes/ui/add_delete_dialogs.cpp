#include "quotes/ui/add_delete_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "prompt/user_prompt.h"
#include "quotes/add_delete.h"
#include "quotes/bar_commands.h"
#include "quotes/ui/date_entry_field.h"
#include "quotes/ui/quote_dialog_parts.h"
#include "text/time_text.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {

namespace {

// The word-wrapped note under Add's fields, as wide as the dialog's design.
QLabel* Explanation(QDialog& dialog, const QString& text) {
  auto* explanation = new QLabel(text, &dialog);
  explanation->setObjectName(QStringLiteral("explanation"));
  explanation->setWordWrap(true);
  explanation->setFixedWidth(DialogUnits(dialog, 160, 0).width());
  return explanation;
}

}  // namespace

DeleteQuoteDialog::DeleteQuoteDialog(std::string dateText, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), dateText_(std::move(dateText)), prompt_(prompt) {
  setWindowTitle(QStringLiteral("Delete Data"));
  setObjectName(QStringLiteral("deleteQuoteDialog"));

  auto* box = new QGroupBox(QStringLiteral("Selected Date to Delete:"), this);
  auto* date = new QLabel(DataText(dateText_), box);
  date->setObjectName(QStringLiteral("date"));
  date->setAlignment(Qt::AlignCenter);
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->addWidget(date);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box);
  layout->addWidget(OkCancelButtons(*this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
  box->setMinimumWidth(DialogUnits(*this, 110, 0).width());
}

void DeleteQuoteDialog::accept() {
  if (!prompt_.AskYesNo(DeleteQuoteQuestion(dateText_))) return;
  QDialog::accept();
}

AddQuoteDialog::AddQuoteDialog(const std::string& newDateText, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Add Data"));
  setObjectName(QStringLiteral("addQuoteDialog"));

  auto* date = new QLabel(DataText(newDateText), this);
  date->setObjectName(QStringLiteral("date"));
  auto* dateRow = new QHBoxLayout;
  dateRow->addWidget(new QLabel(QStringLiteral("New Date:"), this));
  dateRow->addWidget(date);
  dateRow->addStretch(1);

  QLabel* explanation = Explanation(
      *this, QStringLiteral("The new quote will be added using the same data as the following day. "
                            "You may then edit it to suit."));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(dateRow);
  layout->addWidget(explanation);
  layout->addWidget(OkCancelButtons(*this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

AddBarDialog::AddBarDialog(const BarKey& proposal, std::vector<BarKey> bars, UserPrompt& prompt,
                           QWidget* parent)
    : QDialog(parent), bars_(std::move(bars)), prompt_(prompt) {
  setWindowTitle(QStringLiteral("Add Data"));
  setObjectName(QStringLiteral("addQuoteDialog"));

  date_ = new DateEntryField(DataText(FormatUserDate(proposal.day)), EntryBeep(prompt), this);
  date_->setObjectName(QStringLiteral("date"));
  time_ = new TimeEntryField(DataText(FormatTimeText(proposal.time)), EntryBeep(prompt), this);
  time_->setObjectName(QStringLiteral("time"));
  auto* fields = new QGridLayout;
  AddLabelledRow(*fields, 0, QStringLiteral("New Date:"), date_);
  AddLabelledRow(*fields, 1, QStringLiteral("New Time:"), time_);
  fields->setColumnStretch(2, 1);

  QLabel* explanation = Explanation(
      *this, QStringLiteral("The new quote will be added using the same data as the following bar. "
                            "You may then edit it to suit."));

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(explanation);
  layout->addWidget(OkCancelButtons(*this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string AddBarDialog::DateText() const { return DataText(date_->text()); }

std::string AddBarDialog::TimeText() const { return DataText(time_->text()); }

void AddBarDialog::accept() {
  const std::optional<int> source = CheckNewBar(bars_, DateText(), TimeText(), prompt_);
  if (!source) return;
  sourceRow_ = *source;
  QDialog::accept();
}

}  // namespace voltrim
