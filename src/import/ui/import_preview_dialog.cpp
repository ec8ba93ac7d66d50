#include "import/ui/import_preview_dialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

QGroupBox* Group(const char* title, QWidget* parent, QVBoxLayout*& layout) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  layout = new QVBoxLayout(group);
  return group;
}

QLabel* WrappedLabel(const std::string& text, QWidget* parent) {
  auto* label = new QLabel(DataText(text), parent);
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

const char* ColumnKindTitle(ImportColumn column) {
  switch (column) {
    case ImportColumn::kDate:
      return ImportFieldTitle(Field::Date);
    case ImportColumn::kTime:
      return ImportFieldTitle(Field::Time);
    case ImportColumn::kOpen:
      return ImportFieldTitle(Field::Open);
    case ImportColumn::kHigh:
      return ImportFieldTitle(Field::High);
    case ImportColumn::kLow:
      return ImportFieldTitle(Field::Low);
    case ImportColumn::kClose:
      return ImportFieldTitle(Field::Close);
    case ImportColumn::kVolume:
      return ImportFieldTitle(Field::Vol);
    case ImportColumn::kOpenInterest:
      return ImportFieldTitle(Field::Oi);
    case ImportColumn::kNone:
    case ImportColumn::kSymbol:
    case ImportColumn::kPeriod:
      break;
  }
  return "";
}

std::string CountsText(const ImportResult& result) {
  return "New dates: " + std::to_string(result.added) +
         "    Unchanged: " + std::to_string(result.skipped) +
         "    With other values: " + std::to_string(result.differing) + "\nThe series holds " +
         std::to_string(result.quotesBefore) + " quotes, " + std::to_string(result.quotesAfter) +
         " after the import.";
}

}  // namespace

std::string ImportColumnsText(const ImportText& text) {
  std::string list;
  for (std::size_t c = 0; c < text.columns.size(); ++c) {
    if (c > 0) list += ", ";
    if (!text.names[c].empty()) {
      list += text.names[c];
    } else if (text.columns[c] == ImportColumn::kNone) {
      list += "column " + std::to_string(c + 1);
    } else {
      list += ColumnKindTitle(text.columns[c]);
    }
  }
  return (text.header ? "Named in the first line: " : "No header line; read as: ") + list;
}

ImportPreviewDialog::ImportPreviewDialog(const Target& target, const ImportText& text,
                                         const ImportPreview& preview, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Import Quotes"));
  setObjectName(QStringLiteral("importPreviewDialog"));
  auto* layout = new QVBoxLayout(this);

  auto* where =
      new QLabel(PathText(target.file) + QStringLiteral("\ninto ") + DataText(target.symbol) +
                     QStringLiteral(" of ") + PathText(target.portfolioDir),
                 this);
  where->setObjectName(QStringLiteral("target"));
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(where);

  QVBoxLayout* inner = nullptr;
  QGroupBox* columnsGroup = Group("Columns", this, inner);
  std::string columns = ImportColumnsText(text);
  const std::vector<std::string> summary =
      ImportSummary(target.symbol, preview.result, preview.notes);
  for (std::size_t i = 1; i < summary.size(); ++i) columns += "\n" + summary[i];
  columns_ = WrappedLabel(columns, columnsGroup);
  columns_->setObjectName(QStringLiteral("columns"));
  inner->addWidget(columns_);
  layout->addWidget(columnsGroup);

  QGroupBox* rowsGroup = Group("First quotes as they will be stored", this, inner);
  const ImportPreviewRows& shown = preview.rows;
  rows_ = new QTableWidget(static_cast<int>(shown.rows.size()),
                           static_cast<int>(shown.columns.size()), rowsGroup);
  rows_->setObjectName(QStringLiteral("rows"));
  QStringList headers;
  for (const Field field : shown.columns) headers << QString::fromLatin1(ImportFieldTitle(field));
  rows_->setHorizontalHeaderLabels(headers);
  rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rows_->verticalHeader()->hide();
  for (std::size_t r = 0; r < shown.rows.size(); ++r) {
    for (std::size_t c = 0; c < shown.rows[r].size(); ++c) {
      auto* item = new QTableWidgetItem(DataText(shown.rows[r][c]));
      item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                    : Qt::AlignRight | Qt::AlignVCenter);
      rows_->setItem(static_cast<int>(r), static_cast<int>(c), item);
    }
  }
  rows_->resizeColumnsToContents();
  rows_->resizeRowsToContents();
  rows_->setMinimumHeight(DialogUnits(*rows_, 0, 60).height());
  // Wide enough for every column of the series without scrolling sideways.
  int width = 2 * rows_->frameWidth() + rows_->verticalScrollBar()->sizeHint().width();
  for (int c = 0; c < rows_->columnCount(); ++c) width += rows_->columnWidth(c);
  rows_->setMinimumWidth(width);
  inner->addWidget(rows_);
  layout->addWidget(rowsGroup, 1);

  QGroupBox* countsGroup = Group("Dates", this, inner);
  counts_ = WrappedLabel(CountsText(preview.result), countsGroup);
  counts_->setWordWrap(false);
  counts_->setObjectName(QStringLiteral("counts"));
  inner->addWidget(counts_);
  // The counts and the choice they call for side by side, so that the dialog fits a
  // small or scaled screen.
  auto* facts = new QHBoxLayout;
  facts->addWidget(countsGroup);
  layout->addLayout(facts);

  QGroupBox* choice = Group("Dates the series holds with other values", this, inner);
  replace_ =
      new QRadioButton(QStringLiteral("Replace the stored quotes with the file's values"), choice);
  replace_->setObjectName(QStringLiteral("replace"));
  keep_ = new QRadioButton(QStringLiteral("Keep the stored quotes"), choice);
  keep_->setObjectName(QStringLiteral("keep"));
  keep_->setChecked(true);
  inner->addWidget(replace_);
  inner->addWidget(keep_);
  choice->setEnabled(preview.result.differing > 0);
  facts->addWidget(choice);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &ImportPreviewDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &ImportPreviewDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 300, 0).width());
}

ImportOverlap ImportPreviewDialog::Overlap() const {
  return replace_->isChecked() ? ImportOverlap::kReplace : ImportOverlap::kKeep;
}

}  // namespace voltrim
