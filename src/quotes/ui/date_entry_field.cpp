#include "quotes/ui/date_entry_field.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>

#include "quotes/ui/typed_key.h"
#include "widgets/qt_text.h"

namespace voltrim {

namespace {

bool LeavesToDialog(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

}  // namespace

DateEntryField::DateEntryField(const QString& initialText, std::function<void()> beep,
                               QWidget* parent)
    : DateEntryField(MakeDateFieldState(DataText(initialText)), DateFieldTypeChar, std::move(beep),
                     parent) {}

DateEntryField::DateEntryField(DateFieldState state, TypingRule rule, std::function<void()> beep,
                               QWidget* parent)
    : QLineEdit(parent), state_(std::move(state)), rule_(rule), beep_(std::move(beep)) {
  if (!beep_) beep_ = [] { QApplication::beep(); };
  setAcceptDrops(false);
  ShowState();
  // Last line of defence: whatever else changes the text is undone at once.
  connect(this, &QLineEdit::textChanged, this, [this] { KeepOwnText(); });
}

void DateEntryField::keyPressEvent(QKeyEvent* event) {
  if (LeavesToDialog(event->key())) {
    event->ignore();  // Enter and Esc belong to the dialog's OK and Cancel
    return;
  }
  event->accept();
  const TypedKey typed = ClassifyKey(*event);
  if (typed.kind == TypedKey::Nothing) return;
  if (typed.character == '\t') {
    QLineEdit::keyPressEvent(event);
    return;
  }
  TypeCharacter(typed.character);
}

void DateEntryField::TypeCharacter(char typed) {
  if (hasSelectedText()) {
    state_.selectionStart = static_cast<int>(selectionStart());
    state_.selectionEnd = static_cast<int>(selectionEnd());
  } else {
    state_.selectionStart = state_.selectionEnd = static_cast<int>(cursorPosition());
  }
  const int oldStart = state_.selectionStart;
  const int oldEnd = state_.selectionEnd;
  const DateKeyOutcome outcome = rule_(state_, typed);
  if (outcome == DateKeyOutcome::Stored) ShowState();
  if (outcome == DateKeyOutcome::Beeped) beep_();
  if (outcome == DateKeyOutcome::Stored || state_.selectionStart != oldStart ||
      state_.selectionEnd != oldEnd) {
    setSelection(state_.selectionStart, state_.selectionEnd - state_.selectionStart);
  }
}

void DateEntryField::ShowState() { setText(DataText(state_.text)); }

void DateEntryField::SetState(DateFieldState state) {
  state_ = std::move(state);
  ShowState();
}

TimeEntryField::TimeEntryField(const QString& initialText, std::function<void()> beep,
                               QWidget* parent)
    : DateEntryField(MakeTimeFieldState(DataText(initialText)), TimeFieldTypeChar, std::move(beep),
                     parent) {}

void TimeEntryField::SetTime(const QString& text) { SetState(MakeTimeFieldState(DataText(text))); }

void DateEntryField::KeepOwnText() {
  const QString own = DataText(state_.text);
  if (text() != own) setText(own);
}

void DateEntryField::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // Typing then starts at the month; a click keeps the caret where it landed.
  if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void DateEntryField::contextMenuEvent(QContextMenuEvent* event) {
  // Only the entries that leave the text alone.
  auto* menu = new QMenu(this);
  QAction* copy = menu->addAction(QStringLiteral("&Copy"));
  copy->setEnabled(hasSelectedText());
  connect(copy, &QAction::triggered, this, &QLineEdit::copy);
  QAction* selectAllText = menu->addAction(QStringLiteral("Select &All"));
  connect(selectAllText, &QAction::triggered, this, &QLineEdit::selectAll);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(event->globalPos());
}

void DateEntryField::inputMethodEvent(QInputMethodEvent* event) { event->ignore(); }

}  // namespace voltrim
