#include "history/history_steps.h"

#include <cstdio>
#include <ctime>

#include "datafiles/io/portfolio_lock.h"

namespace voltrim {

namespace {

std::string FailureMessage(HistoryStep step, Status status, const std::string& folder,
                           const std::string& what, const std::string& differing) {
  const bool undo = step == HistoryStep::kUndo;
  switch (status) {
    case kNothingToUndo:
      return NothingToUndoMessage(folder);
    case kNothingToRedo:
      return NothingToRedoMessage(folder);
    case kPortfolioBusy:
      return kPortfolioBusyMessage;
    case kChangedSince:
      return undo ? ChangedSinceMessage(what, differing) : RedoChangedSinceMessage(what, differing);
    default:
      return undo ? UndoFailedMessage(what, differing) : RedoFailedMessage(what, differing);
  }
}

}  // namespace

HistoryStepResult RunHistoryStep(HistoryStep step, const std::string& folder) {
  HistoryStepResult result;
  std::string differing;
  result.status = step == HistoryStep::kUndo ? UndoLastChange(folder, result.what, differing)
                                             : RedoLastUndone(folder, result.what, differing);
  const bool refused =
      result.nothing() || result.status == kPortfolioBusy || result.status == kChangedSince;
  result.filesMayHaveChanged = !refused;
  if (result.status != kOk)
    result.message = FailureMessage(step, result.status, folder, result.what, differing);
  return result;
}

HistoryStepResult StepTo(HistoryStep step, const std::string& folder, int number) {
  HistoryStepResult last;
  last.status = step == HistoryStep::kUndo ? kNothingToUndo : kNothingToRedo;
  // Each step takes one change; the history is read again before each, as another
  // program may have changed it meanwhile. A change still next after its step (its journal
  // could not be marked) ends the walk.
  for (int taken = 0;;) {
    UndoPlan next;
    const Status found =
        step == HistoryStep::kUndo ? ReadUndoPlan(folder, next) : ReadRedoPlan(folder, next);
    const bool past = step == HistoryStep::kUndo ? next.number < number : next.number > number;
    if (found != kOk || past || next.number == taken) return last;
    taken = next.number;
    HistoryStepResult result = RunHistoryStep(step, folder);
    result.filesMayHaveChanged = result.filesMayHaveChanged || last.filesMayHaveChanged;
    last = result;
    if (last.status != kOk || next.number == number) return last;
  }
}

std::vector<HistoryRow> HistoryRows(const std::string& folder) {
  std::vector<HistoryRow> rows;
  for (const UndoPlan& plan : ReadHistory(folder))
    rows.push_back({plan.number, ChangeTimeText(plan.when), plan.what, plan.undone});
  return rows;
}

std::string HistoryLine(const HistoryRow& row) {
  return std::to_string(row.number) + "\t" + row.when + "\t" + row.what +
         (row.redoable ? "\tcan be redone" : "");
}

std::string ChangeTimeText(std::int64_t secondsSince1970) {
  if (secondsSince1970 == 0) return {};
  const auto seconds = static_cast<std::time_t>(secondsSince1970);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", local.tm_mon + 1, local.tm_mday,
                local.tm_year % 100, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace voltrim
