#include "quotes/ui/quote_dialog_parts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "prompt/user_prompt.h"

namespace voltrim {

QDialogButtonBox* OkCancelButtons(QDialog& dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

void AddLabelledRow(QGridLayout& grid, int row, const QString& label, QWidget* field) {
  auto* text = new QLabel(label, field->parentWidget());
  text->setBuddy(field);
  grid.addWidget(text, row, 0);
  grid.addWidget(field, row, 1);
}

std::function<void()> EntryBeep(UserPrompt& prompt) {
  return [&prompt] { prompt.Beep(BeepKind::Default); };
}

}  // namespace voltrim
