#pragma once

// Undo and redo as every front end runs them: the step, and what to tell the user.
#include <cstdint>
#include <string>
#include <vector>

#include "datafiles/io/change_journal.h"
#include "datafiles/status.h"

namespace voltrim {

enum class HistoryStep { kUndo, kRedo };

struct HistoryStepResult {
  Status status = kOk;
  std::string what;     // the change undone or redone (when known)
  std::string message;  // empty when the step succeeded
  // A step that failed part way may have put some files back: what is shown must be read
  // again. True also on success.
  bool filesMayHaveChanged = false;
  // Nothing was there to undo or redo.
  bool nothing() const { return status == kNothingToUndo || status == kNothingToRedo; }
};

HistoryStepResult RunHistoryStep(HistoryStep step, const std::string& folder);

// Steps until the change numbered number is undone (kUndo) or redone (kRedo), one at a
// time, stopping at the first step that fails; the result of the last step taken.
HistoryStepResult StepTo(HistoryStep step, const std::string& folder, int number);

// A change of the history as a line of voltrim-cli's history command and a row of the
// History window: number, when (local time, MM/DD/YY HH:MM:SS; empty when not known), what,
// and whether it is undone and can be redone.
struct HistoryRow {
  int number = 0;
  std::string when;
  std::string what;
  bool redoable = false;
};
std::vector<HistoryRow> HistoryRows(const std::string& folder);
std::string HistoryLine(const HistoryRow& row);

// "MM/DD/YY HH:MM:SS" in local time; empty for 0.
std::string ChangeTimeText(std::int64_t secondsSince1970);

}  // namespace voltrim
