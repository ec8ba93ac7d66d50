#include "discovery/ui/search_filter_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "prompt/user_prompt.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {

SearchFilterDialog::SearchFilterDialog(const Values& values, Validator validator,
                                       UserPrompt& prompt, QWidget* parent,
                                       ChooseFolder chooseFolder)
    : QDialog(parent),
      validator_(std::move(validator)),
      prompt_(prompt),
      chooseFolder_(std::move(chooseFolder)) {
  setWindowTitle(QStringLiteral("Portfolio Search Filter"));
  setObjectName(QStringLiteral("searchFilterDialog"));

  limit_ =
      new QCheckBox(QStringLiteral("Only search for Portfolios in paths like that below"), this);
  limit_->setChecked(values.limit);
  path_ = new QLineEdit(PathText(values.filterName), this);
  masterFix_ = new QCheckBox(QStringLiteral("Automatically repair bad Masters"), this);
  masterFix_->setChecked(values.masterFix);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &SearchFilterDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SearchFilterDialog::reject);
  connect(limit_, &QCheckBox::clicked, this, &SearchFilterDialog::SyncPathEnabled);

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path_, 1);
  if (chooseFolder_) {
    browse_ = new QPushButton(QStringLiteral("Browse..."), this);
    browse_->setObjectName(QStringLiteral("browse"));
    browse_->setAutoDefault(false);
    connect(browse_, &QPushButton::clicked, this, &SearchFilterDialog::Browse);
    pathRow->addWidget(browse_);
  }

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(limit_);
  layout->addLayout(pathRow);
  layout->addSpacing(DialogUnits(*this, 0, 6).height());
  layout->addWidget(masterFix_);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 187, 0).width());
  SyncPathEnabled();
}

SearchFilterDialog::Values SearchFilterDialog::Result() const {
  return {limit_->isChecked(), PathText(path_->text()), masterFix_->isChecked()};
}

void SearchFilterDialog::accept() {
  const Values values = Result();
  if (validator_) {
    if (const std::optional<std::string> message = validator_(values.limit, values.filterName)) {
      prompt_.ShowMessage(*message, MessageIcon::Default);
      path_->setFocus();
      return;
    }
  }
  QDialog::accept();
}

void SearchFilterDialog::Browse() {
  const std::optional<std::string> folder = chooseFolder_(PathText(path_->text()));
  if (!folder) return;
  // A folder chosen is a folder to search: the limit goes on with it.
  limit_->setChecked(true);
  path_->setText(PathText(*folder));
  SyncPathEnabled();
}

void SearchFilterDialog::SyncPathEnabled() { path_->setEnabled(limit_->isChecked()); }

}  // namespace voltrim
