// Undo, redo and the history of changes, as voltrim-cli's undo, redo and history.
#include <pybind11/stl.h>

#include "cli/cli_common.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"
#include "history/history_steps.h"
#include "module_errors.h"
#include "module_functions.h"
#include "settings/undo_settings.h"

namespace py = pybind11;

namespace voltrim::python {

namespace {

std::string Step(const std::string& dir, HistoryStep step) {
  RequireFolder(dir);
  ClearFileFailure();
  HistoryStepResult result;
  {
    py::gil_scoped_release unlocked;
    result = RunHistoryStep(step, dir);
  }
  if (result.status == kOk) return result.what;
  if (result.status == kPortfolioBusy) Raise(ErrorKind::kBusy, result.message);
  if (!result.filesMayHaveChanged) Raise(ErrorKind::kRefused, result.message);
  Raise(ErrorKind::kError,
        WithFileFailure(result.message + " (" + cli::DescribeStatus(result.status) + ")"));
}

// number, seconds since 1970 (0: not known), what, and whether it can be redone.
std::vector<py::tuple> History(const std::string& dir) {
  RequireFolder(dir);
  std::vector<py::tuple> rows;
  for (const UndoPlan& plan : ReadHistory(dir))
    rows.push_back(py::make_tuple(plan.number, plan.when, py::bytes(plan.what), plan.undone));
  return rows;
}

}  // namespace

void AddHistoryFunctions(py::module_& m) {
  ApplyUserUndoLimits();
  m.def(
      "undo", [](const std::string& dir) { return Step(dir, HistoryStep::kUndo); }, py::arg("dir"));
  m.def(
      "redo", [](const std::string& dir) { return Step(dir, HistoryStep::kRedo); }, py::arg("dir"));
  m.def("history", &History, py::arg("dir"));
}

}  // namespace voltrim::python
