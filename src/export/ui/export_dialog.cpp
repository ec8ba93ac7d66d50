#include "export/ui/export_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "export/export_command.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"
#include "widgets/save_text_file_dialog.h"
#include "widgets/symbol_list_box.h"

namespace voltrim {
namespace {

// The settings store reads at most 259 characters back; a stored name that long must be
// shown whole, or the export would go to a shortened name.
constexpr int kFileNameLimit = 259;

constexpr std::array<const char*, kExportValueColumns> kOmitLabels = {
    "Open", "High", "Low", "Close", "Volume", "Open Interest"};

QRadioButton* AddRadio(const char* text, int id, int stored, QButtonGroup& group, QWidget* parent,
                       QLayout& layout) {
  auto* button = new QRadioButton(QString::fromLatin1(text), parent);
  button->setChecked(id == stored);
  group.addButton(button, id);
  layout.addWidget(button);
  return button;
}

// The checked button's id, or the stored value when none is checked.
int ChosenId(const QButtonGroup& group, int stored) {
  const int id = group.checkedId();
  return id >= 0 ? id : stored;
}

}  // namespace

ExportDialog::ExportDialog(const ExportSettings& stored, const CommandContext& context,
                           const std::vector<std::string>& symbols)
    : QDialog(context.window), stored_(stored), context_(context), folder_(ExportFolder()) {
  const bool many = symbols.size() > 1;
  setWindowTitle(many ? QStringLiteral("Export Symbols") : QStringLiteral("Export"));
  setObjectName(QStringLiteral("exportDialog"));

  auto* choices = new QGridLayout;
  choices->addWidget(BuildOmitGroup(), 0, 0, 2, 1);
  choices->addWidget(delimiterGroup_ = BuildDelimiterGroup(), 0, 1);
  choices->addWidget(BuildOrderGroup(), 1, 1);
  choices->addWidget(titleGroup_ = BuildTitleGroup(), 2, 0, 1, 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ExportDialog::reject);

  auto* layout = new QVBoxLayout(this);
  if (many) {
    auto* chosen = new QGroupBox(
        QStringLiteral("%1 Symbols, in one file with a symbol column").arg(symbols.size()), this);
    (new QVBoxLayout(chosen))->addWidget(SymbolListBox(symbols, chosen));
    layout->addWidget(chosen);
  }
  layout->addWidget(BuildFileRow());
  layout->addWidget(BuildFormatGroup());
  layout->addLayout(choices);
  layout->addStretch(1);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 230, 0).width());
  const bool csv = stored_.Csv();
  delimiterGroup_->setEnabled(!csv);
  titleGroup_->setEnabled(!csv);
  file_->setFocus();
}

QWidget* ExportDialog::BuildFileRow() {
  auto* row = new QWidget(this);
  file_ = new QLineEdit(row);
  file_->setObjectName(QStringLiteral("fileName"));
  file_->setMaxLength(kFileNameLimit);
  // A name without a folder goes to the documents folder: shown with it, so the user sees
  // where the file will be.
  file_->setText(PathText(ExportPathIn(stored_.fileName, folder_)));
  file_->setCursorPosition(0);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), row);
  browse->setObjectName(QStringLiteral("browse"));
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, &ExportDialog::Browse);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(file_, 1);
  layout->addWidget(browse);
  return row;
}

QWidget* ExportDialog::BuildFormatGroup() {
  auto* group = new QGroupBox(QStringLiteral("Format"), this);
  auto* layout = new QHBoxLayout(group);
  format_ = new QButtonGroup(group);
  AddRadio("Text", 0, stored_.format, *format_, group, *layout)
      ->setToolTip(QStringLiteral("The columns chosen below, MM/DD/YY dates, CR LF line ends"));
  AddRadio("CSV", 1, stored_.format, *format_, group, *layout)
      ->setToolTip(QStringLiteral("For spreadsheets, pandas and R: a header row, YYYY-MM-DD "
                                  "dates, commas, every stored digit"));
  layout->addStretch(1);
  connect(format_, &QButtonGroup::idClicked, this, &ExportDialog::FormatChosen);
  return group;
}

void ExportDialog::FormatChosen(int format) {
  const bool csv = format == 1;
  delimiterGroup_->setEnabled(!csv);
  titleGroup_->setEnabled(!csv);
  const QString from = csv ? QStringLiteral(".txt") : QStringLiteral(".csv");
  QString name = file_->text();
  if (name.endsWith(from, Qt::CaseInsensitive)) {
    name.chop(from.size());
    file_->setText(name + (csv ? QStringLiteral(".csv") : QStringLiteral(".txt")));
  }
}

QWidget* ExportDialog::BuildOmitGroup() {
  auto* group = new QGroupBox(QStringLiteral("Omit these columns"), this);
  auto* layout = new QVBoxLayout(group);
  for (std::size_t i = 0; i < omit_.size(); ++i) {
    omit_[i] = new QCheckBox(QString::fromLatin1(kOmitLabels[i]), group);
    omit_[i]->setChecked(stored_.omit[i] != 0);
    layout->addWidget(omit_[i]);
  }
  layout->addStretch(1);
  return group;
}

QWidget* ExportDialog::BuildDelimiterGroup() {
  auto* group = new QGroupBox(QStringLiteral("Column Delimiters"), this);
  auto* layout = new QVBoxLayout(group);
  delimiter_ = new QButtonGroup(group);
  AddRadio("Space", 0, stored_.delimiter, *delimiter_, group, *layout);
  AddRadio("Comma", 1, stored_.delimiter, *delimiter_, group, *layout);
  AddRadio("Tab", 2, stored_.delimiter, *delimiter_, group, *layout);
  return group;
}

QWidget* ExportDialog::BuildOrderGroup() {
  auto* group = new QGroupBox(QStringLiteral("Order"), this);
  auto* layout = new QVBoxLayout(group);
  order_ = new QButtonGroup(group);
  AddRadio("Oldest quote first", 0, stored_.newest, *order_, group, *layout);
  AddRadio("Newest quote first", 1, stored_.newest, *order_, group, *layout);
  return group;
}

QWidget* ExportDialog::BuildTitleGroup() {
  auto* group = new QGroupBox(QStringLiteral("Title"), this);
  auto* layout = new QVBoxLayout(group);
  title_ = new QCheckBox(QStringLiteral("Add title row"), group);
  title_->setChecked(stored_.title != 0);
  layout->addWidget(title_);
  return group;
}

QRadioButton* ExportDialog::DelimiterButton(int delimiter) const {
  return qobject_cast<QRadioButton*>(delimiter_->button(delimiter));
}

QRadioButton* ExportDialog::OrderButton(int newest) const {
  return qobject_cast<QRadioButton*>(order_->button(newest));
}

QRadioButton* ExportDialog::FormatButton(int format) const {
  return qobject_cast<QRadioButton*>(format_->button(format));
}

ExportSettings ExportDialog::Chosen() const {
  ExportSettings chosen;
  chosen.fileName = ExportPathIn(PathText(file_->text()), folder_);
  for (std::size_t i = 0; i < omit_.size(); ++i) chosen.omit[i] = omit_[i]->isChecked() ? 1 : 0;
  chosen.delimiter = ChosenId(*delimiter_, stored_.delimiter);
  chosen.newest = ChosenId(*order_, stored_.newest);
  chosen.title = title_->isChecked() ? 1 : 0;
  chosen.format = ChosenId(*format_, stored_.format);
  return chosen;
}

void ExportDialog::Browse() {
  const bool csv = format_->checkedId() == 1;
  const std::optional<std::string> path =
      AskSaveTextFile(context_, this, ExportPathIn(PathText(file_->text()), folder_),
                      /*confirmReplace=*/false, csv ? kCsvFiles : kTextFiles);
  if (!path) return;
  file_->setText(PathText(*path));
  file_->setCursorPosition(0);
}

}  // namespace voltrim
