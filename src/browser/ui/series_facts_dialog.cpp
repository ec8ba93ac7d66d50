#include "browser/ui/series_facts_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "widgets/qt_text.h"

namespace voltrim {
namespace {

QLineEdit* ReadOnlyText(const QString& text, QWidget* parent) {
  auto* field = new QLineEdit(text, parent);
  field->setReadOnly(true);
  field->setCursorPosition(0);
  return field;
}

QString Number(int value) { return QString::number(value); }

QString FieldObjectName(const QString& field, bool display) {
  return QStringLiteral("%1-%2").arg(field,
                                     display ? QStringLiteral("display") : QStringLiteral("input"));
}

}  // namespace

SeriesFactsDialog::SeriesFactsDialog(const SeriesFacts& facts, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Selected Quote Series"));
  setObjectName(QStringLiteral("seriesFactsDialog"));

  auto* masterGroup = new QGroupBox(QStringLiteral("Data from Master and DAT files"), this);
  auto* form = new QFormLayout(masterGroup);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  const auto addRow = [&](const char* label, const QString& value) {
    QLineEdit* field = ReadOnlyText(value, masterGroup);
    field->setObjectName(QString::fromLatin1(label));
    // Wide enough for a 16-character name, and for most paths.
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 34);
    form->addRow(QString::fromLatin1(label), field);
  };
  addRow("Path:", PathText(facts.path));
  addRow("File number", Number(facts.fileNumber));
  addRow("DAT file record length", Number(facts.recordLength));
  addRow("DAT file number of fields", Number(facts.fieldCount));
  addRow("Number of quotes", Number(facts.quoteCount));
  addRow("Name of issue", DataText(facts.name));
  addRow("First date in file", DataText(FactsDateText(facts.firstDate)));
  addRow("Last date in file", DataText(FactsDateText(facts.lastDate)));
  addRow("Data format", DataText(facts.periodicity));
  addRow("Symbol", DataText(facts.symbol));
  // Only a folder whose EMASTER describes the series has the longer name to show.
  if (!facts.longName.empty()) addRow("Long name (EMASTER)", DataText(facts.longName));
  addRow("Listed in", DataText(facts.indexFile));
  addRow("Data file", DataText(facts.dataFile));
  if (facts.hasTime) {
    addRow("Time frame", DataText(facts.timeFrame));
    addRow("Bars on first day", Number(facts.firstDayBars));
    addRow("Bars on last day", Number(facts.lastDayBars));
    addRow("Most bars in a day", Number(facts.mostDayBars));
  }

  auto* dopGroup = new QGroupBox(QStringLiteral("Data from DOP file (may be synthetic)"), this);
  auto* grid = new QGridLayout(dopGroup);
  const char* headings[] = {"Field", "Input", "Display"};
  for (int column = 0; column < 3; ++column) {
    auto* heading = new QLabel(QString::fromLatin1(headings[column]), dopGroup);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    grid->addWidget(heading, 0, column);
  }
  for (int f = 0; f < kFieldKindCount; ++f) {
    const auto field = static_cast<Field>(f);
    const QString label = DataText(std::string(FactsFieldLabel(field)));
    const auto index = static_cast<std::size_t>(f);
    grid->addWidget(new QLabel(label, dopGroup), f + 1, 0);
    QLineEdit* input = ReadOnlyText(DataText(facts.inputFormat[index]), dopGroup);
    input->setObjectName(FieldObjectName(label, false));
    QLineEdit* display = ReadOnlyText(DataText(facts.displayFormat[index]), dopGroup);
    display->setObjectName(FieldObjectName(label, true));
    grid->addWidget(input, f + 1, 1);
    grid->addWidget(display, f + 1, 2);
  }
  grid->setRowStretch(kFieldKindCount + 1, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* groups = new QHBoxLayout;
  groups->addWidget(masterGroup, 3);
  groups->addWidget(dopGroup, 2);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(buttons);
}

QString SeriesFactsDialog::ValueOf(const QString& label) const {
  const auto* field = findChild<QLineEdit*>(label);
  return field ? field->text() : QString();
}

QString SeriesFactsDialog::FormatOf(const QString& field, bool display) const {
  const auto* value = findChild<QLineEdit*>(FieldObjectName(field, display));
  return value ? value->text() : QString();
}

}  // namespace voltrim
