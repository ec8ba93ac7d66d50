#include "import/ui/update_preview_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "datafiles/io/portfolio_files.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

std::string WhereText(const UpdateSeriesResult& series) {
  const bool x = series.index == IndexFile::kXmaster;
  const std::string file = x ? MwdFileName(series.fileNumber) : DatFileName(series.fileNumber);
  switch (series.fate) {
    case UpdateFate::kUnknown:
      return "unknown";
    case UpdateFate::kCreated:
      return std::string("unknown: created in ") + (x ? "XMASTER" : "MASTER") + " as " + file;
    default:
      return std::string(x ? "XMASTER " : "MASTER ") + file;
  }
}

}  // namespace

UpdatePreviewDialog::UpdatePreviewDialog(const std::string& portfolioDir,
                                         const UpdateResult& planned, bool createPossible,
                                         QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Update Portfolio"));
  setObjectName(QStringLiteral("updatePreviewDialog"));
  auto* layout = new QVBoxLayout(this);
  auto* where = new QLabel(QStringLiteral("Quotes for ") + PathText(portfolioDir), this);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(where);

  static const char* kHeaders[] = {"Symbol", "Series", "New", "Unchanged", "Other values"};
  rows_ = new QTableWidget(static_cast<int>(planned.series.size()), 5, this);
  rows_->setObjectName(QStringLiteral("rows"));
  QStringList headers;
  for (const char* header : kHeaders) headers << QString::fromLatin1(header);
  rows_->setHorizontalHeaderLabels(headers);
  rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rows_->verticalHeader()->hide();
  int differing = 0;
  int unknown = 0;
  for (std::size_t r = 0; r < planned.series.size(); ++r) {
    const UpdateSeriesResult& series = planned.series[r];
    const ImportResult& counts = series.result;
    const bool known = series.fate != UpdateFate::kUnknown;
    differing += counts.differing;
    unknown += !known || series.fate == UpdateFate::kCreated;
    const std::string cells[] = {series.symbol, WhereText(series),
                                 known ? std::to_string(counts.added) : "",
                                 known ? std::to_string(counts.skipped) : "",
                                 known ? std::to_string(counts.differing) : ""};
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem(DataText(cells[c]));
      if (c >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      rows_->setItem(static_cast<int>(r), c, item);
    }
  }
  rows_->resizeColumnsToContents();
  rows_->setMinimumHeight(DialogUnits(*rows_, 0, 120).height());
  layout->addWidget(rows_, 1);

  totals_ = new QLabel(DataText(UpdateTotalsLine(planned)), this);
  totals_->setObjectName(QStringLiteral("totals"));
  layout->addWidget(totals_);

  create_ = new QCheckBox(QStringLiteral("Create the unknown symbols as new series"), this);
  create_->setObjectName(QStringLiteral("create"));
  create_->setEnabled(createPossible && unknown > 0);
  layout->addWidget(create_);

  auto* choice = new QGroupBox(QStringLiteral("Dates a series holds with other values"), this);
  auto* inner = new QVBoxLayout(choice);
  replace_ = new QRadioButton(QStringLiteral("Replace the stored quotes with the file's values"),
                              choice);
  replace_->setObjectName(QStringLiteral("replace"));
  keep_ = new QRadioButton(QStringLiteral("Keep the stored quotes"), choice);
  keep_->setObjectName(QStringLiteral("keep"));
  keep_->setChecked(true);
  inner->addWidget(replace_);
  inner->addWidget(keep_);
  choice->setEnabled(differing > 0);
  layout->addWidget(choice);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &UpdatePreviewDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &UpdatePreviewDialog::reject);
  layout->addWidget(buttons);
  setMinimumWidth(DialogUnits(*this, 300, 0).width());
}

ImportOverlap UpdatePreviewDialog::Overlap() const {
  return replace_->isChecked() ? ImportOverlap::kReplace : ImportOverlap::kKeep;
}

bool UpdatePreviewDialog::Create() const { return create_->isEnabled() && create_->isChecked(); }

}  // namespace voltrim
