#include "quotes/ui/entry_limits.h"

#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cstdio>

#include "prompt/user_prompt.h"
#include "quotes/quote_messages.h"
#include "quotes/ui/numeric_entry_field.h"

namespace voltrim {

bool EntriesWithinLimits(std::initializer_list<NumericEntryField*> fields, UserPrompt& prompt) {
  for (NumericEntryField* field : fields) {
    if (field->text().size() <= field->MaxChars()) continue;
    char text[80];
    std::snprintf(text, sizeof text, quote_messages::kTooManyCharactersFormat, field->MaxChars());
    prompt.ShowMessage(text);
    field->setFocus();
    field->selectAll();
    return false;
  }
  return true;
}

int FieldWidthFor(const NumericEntryField& field, int maxChars) {
  const QFontMetrics metrics(field.font());
  const int textWidth = metrics.horizontalAdvance(QString(maxChars, QLatin1Char('0')));
  QStyleOptionFrame option;
  option.initFrom(&field);
  const QSize size = field.style()->sizeFromContents(
      QStyle::CT_LineEdit, &option, QSize(textWidth + 4, metrics.height()), &field);
  return size.width();
}

}  // namespace voltrim
