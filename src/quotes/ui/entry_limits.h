#pragma once

#include <initializer_list>

namespace voltrim {

class NumericEntryField;
class UserPrompt;

// The check a dialog makes at OK before its own: a field whose text is longer than its
// limit (text set from the grid may be) is named in a message, focused and selected.
bool EntriesWithinLimits(std::initializer_list<NumericEntryField*> fields, UserPrompt& prompt);

// A width for a field of maxChars characters in the field's own font.
int FieldWidthFor(const NumericEntryField& field, int maxChars);

}  // namespace voltrim
