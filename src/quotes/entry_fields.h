#pragma once

#include <string>
#include <string_view>

namespace voltrim {

// Typing rules of the quote dialogs' two filtering fields. The Qt fields only wrap these
// functions, so the rules are the same wherever a value is typed.

// Longest texts the fields take, by dialog.
inline constexpr int kEditValueMaxChars = 16;
inline constexpr int kEditDateMaxChars = 8;
inline constexpr int kSplitSharesMaxChars = 5;
inline constexpr int kAdjustMultiplierMaxChars = 8;
inline constexpr int kDateFieldChars = 8;

// NumericEntryField: control characters (Backspace, clipboard keys), '.' and digits pass;
// anything else is dropped with the default beep. Text set by the program or pasted is
// not filtered.
bool NumericFieldAcceptsChar(char typed);

// DateEntryField: always MM/DD/YY; typing a digit overwrites one digit position and moves
// the selection on, so six digits in a row fill month, day and year.
struct DateFieldState {
  std::string text;  // exactly kDateFieldChars characters
  int selectionStart = 0;
  int selectionEnd = 0;
};

// The field's own copy of its initial text: the first 8 characters, blank-padded.
DateFieldState MakeDateFieldState(std::string_view initialText);

enum class DateKeyOutcome {
  Stored,  // a digit was written; show the text and the new selection
  Beeped,  // nothing written; default beep; the selection may have moved
  PassOn,  // Tab: the field's normal handling (focus change)
};

// Applies one typed character to the state.
DateKeyOutcome DateFieldTypeChar(DateFieldState& state, char typed);

// TimeEntryField, for a series with a time of day: always HH:MM:SS, typed like the date
// field (six digits in a row fill hours, minutes and seconds, then the hours are selected
// again), but the time stays a valid one. A digit that can make none in its place beeps and
// leaves the selection where it was: a ten of hours above 2, a ten of minutes or seconds
// above 5, an hour above 23. A ten of 2 whose hour would pass 23 sets the hour's unit to 0,
// which the next digit then types.
inline constexpr int kTimeFieldChars = 8;
using TimeFieldState = DateFieldState;

// The field's own copy of an initial HH:MM:SS text; anything else starts at 00:00:00.
TimeFieldState MakeTimeFieldState(std::string_view initialText);
DateKeyOutcome TimeFieldTypeChar(TimeFieldState& state, char typed);

}  // namespace voltrim
