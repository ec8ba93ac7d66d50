#include "quotes/entry_fields.h"

namespace voltrim {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct DigitStep {
  int position;  // -1: no digit is written
  int nextStart;
  int nextEnd;
};

// Where a digit typed with the selection (start, end) goes and what is selected after it.
DigitStep StepForSelection(int start, int end) {
  if (start == 0 && (end == 0 || end == 1 || end == 2 || end == 8)) return {0, 1, 2};
  if (start == 1 && end == 2) return {1, 3, 5};
  if ((start == 3 && end == 5) || (start == 4 && end == 4)) return {3, 4, 5};
  if (start == 4 && end == 5) return {4, 6, 8};
  if (start == 6 && (end == 7 || end == 8)) return {6, 7, 8};
  if (start == 7 && end == 8) return {7, 0, 2};
  if (start == 4) return {-1, 3, 5};
  if (start == 7) return {-1, 6, 8};
  return {-1, 0, 2};
}

}  // namespace

bool NumericFieldAcceptsChar(char typed) {
  const auto code = static_cast<unsigned char>(typed);
  return code < 32 || typed == '.' || IsDigit(typed);
}

DateFieldState MakeDateFieldState(std::string_view initialText) {
  DateFieldState state;
  state.text = std::string(initialText.substr(0, kDateFieldChars));
  state.text.resize(kDateFieldChars, ' ');
  return state;
}

DateKeyOutcome DateFieldTypeChar(DateFieldState& state, char typed) {
  if (typed == '\t') return DateKeyOutcome::PassOn;
  if (!IsDigit(typed)) return DateKeyOutcome::Beeped;
  const DigitStep step = StepForSelection(state.selectionStart, state.selectionEnd);
  state.selectionStart = step.nextStart;
  state.selectionEnd = step.nextEnd;
  if (step.position < 0) return DateKeyOutcome::Beeped;
  state.text[static_cast<std::size_t>(step.position)] = typed;
  return DateKeyOutcome::Stored;
}

}  // namespace voltrim
