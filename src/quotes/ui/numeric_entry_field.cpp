#include "quotes/ui/numeric_entry_field.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

#include "quotes/entry_fields.h"
#include "quotes/ui/typed_key.h"

namespace voltrim {

NumericEntryField::NumericEntryField(int maxChars, std::function<void()> beep, QWidget* parent)
    : QLineEdit(parent), maxChars_(maxChars), beep_(std::move(beep)) {
  if (!beep_) beep_ = [] { QApplication::beep(); };
}

void NumericEntryField::keyPressEvent(QKeyEvent* event) {
  const TypedKey typed = ClassifyKey(*event);
  if (typed.kind != TypedKey::Printable) {
    // Control characters (Backspace, clipboard keys, Enter) and keys that type nothing.
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!NumericFieldAcceptsChar(typed.character)) {
    beep_();
    return;
  }
  const qsizetype kept = text().size() - selectedText().size();
  if (kept >= maxChars_) return;
  QLineEdit::keyPressEvent(event);
}

void NumericEntryField::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // Reaching a field from the keyboard selects it, so typing replaces the value.
  if (event->reason() != Qt::MouseFocusReason) selectAll();
}

}  // namespace voltrim
