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

namespace {

// Whether digit may stand at position of an HH:MM:SS text.
bool TimeDigitFits(const std::string& text, int position, char digit) {
  switch (position) {
    case 0:
      return digit <= '2';
    case 1:
      return text[0] != '2' || digit <= '3';
    case 3:
    case 6:
      return digit <= '5';
    default:
      return true;
  }
}

}  // namespace

TimeFieldState MakeTimeFieldState(std::string_view initialText) {
  TimeFieldState state;
  const std::string_view text = initialText.substr(0, kTimeFieldChars);
  bool valid = text.size() == kTimeFieldChars && text[2] == ':' && text[5] == ':';
  for (int position : {0, 1, 3, 4, 6, 7}) {
    const char c = valid ? text[static_cast<std::size_t>(position)] : '0';
    valid = valid && IsDigit(c) && TimeDigitFits(std::string(text), position, c);
  }
  state.text = valid ? std::string(text) : std::string("00:00:00");
  return state;
}

DateKeyOutcome TimeFieldTypeChar(TimeFieldState& state, char typed) {
  if (typed == '\t') return DateKeyOutcome::PassOn;
  if (!IsDigit(typed)) return DateKeyOutcome::Beeped;
  const DigitStep step = StepForSelection(state.selectionStart, state.selectionEnd);
  if (step.position >= 0 && !TimeDigitFits(state.text, step.position, typed)) {
    return DateKeyOutcome::Beeped;  // the selection stays on the digit to type again
  }
  state.selectionStart = step.nextStart;
  state.selectionEnd = step.nextEnd;
  if (step.position < 0) return DateKeyOutcome::Beeped;
  state.text[static_cast<std::size_t>(step.position)] = typed;
  if (step.position == 0 && typed == '2' && state.text[1] > '3') state.text[1] = '0';
  return DateKeyOutcome::Stored;
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
