#pragma once

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "datafiles/fixtures.h"
#include "gui_fixture.h"

namespace voltrim::testing {

// ACME, grid rows newest first: 0 01/11/00 (Tue), 1 01/08/00 (Sat), 2 01/06/00 (Thu),
// 3 and 4 01/04/00 (Tue, twice), 5 01/03/00 (Mon, Open stored as 12.34567).
inline PortfolioSpec AcmePortfolio() {
  PortfolioSpec portfolio;
  portfolio.entries.push_back(SeriesEntry(AcmeSeries()));
  return portfolio;
}

inline QLineEdit* FieldOf(QDialog& dialog, const char* name) {
  auto* field = dialog.findChild<QLineEdit*>(QLatin1String(name));
  EXPECT_NE(field, nullptr) << name;
  return field;
}

inline QPushButton* ButtonOf(QDialog& dialog, const char* name) {
  auto* button = dialog.findChild<QPushButton*>(QLatin1String(name));
  EXPECT_NE(button, nullptr) << name;
  return button;
}

inline QString LabelOf(QDialog& dialog, const char* name) {
  auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
  return label ? label->text() : QStringLiteral("<none>");
}

inline void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}

// Replaces a field's text by typing, as a user who selected it first.
inline void TypeInto(QLineEdit* field, const char* keys) {
  field->selectAll();
  QTest::keyClicks(field, QLatin1String(keys));
}

// Types a whole date into a date field, starting from the month.
inline void TypeDate(QLineEdit* field, const char* sixDigits) {
  field->selectAll();
  QTest::keyClicks(field, QLatin1String(sixDigits));
}

inline void MousePress(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

}  // namespace voltrim::testing
