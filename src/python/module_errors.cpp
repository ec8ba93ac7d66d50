#include "module_errors.h"

#include <array>

#include "datafiles/io/regular_file.h"

namespace py = pybind11;

namespace voltrim::python {

namespace {

// Made once when the module is imported, alive for the interpreter's life.
std::array<PyObject*, 5> errorTypes{};

PyObject* TypeOf(ErrorKind kind) { return errorTypes[static_cast<std::size_t>(kind)]; }

}  // namespace

void AddErrorTypes(py::module_& module) {
  struct Declared {
    ErrorKind kind;
    const char* name;
    const char* doc;
  };
  const Declared declared[] = {
      {ErrorKind::kError, "Error", "A Voltrim operation failed; the message says why."},
      {ErrorKind::kBusy, "BusyError",
       "Another program is changing the portfolio; nothing was changed. Try again."},
      {ErrorKind::kRefused, "RefusedError",
       "The operation was refused (a row that cannot be read, quotes stored with other "
       "values, nothing to undo, ...); nothing was written."},
      {ErrorKind::kNotFound, "NotFoundError", "No such folder, portfolio or symbol."},
      {ErrorKind::kPartlyDone, "PartlyDoneError",
       "The main change stands but not all of it was done; the message says what is left. "
       "Its attribute summary holds what was done."},
  };
  for (const Declared& d : declared) {
    const std::string qualified = std::string("voltrim.") + d.name;
    PyObject* base = d.kind == ErrorKind::kError ? PyExc_Exception : TypeOf(ErrorKind::kError);
    PyObject* type = PyErr_NewExceptionWithDoc(qualified.c_str(), d.doc, base, nullptr);
    if (type == nullptr) throw py::error_already_set();
    errorTypes[static_cast<std::size_t>(d.kind)] = type;
    module.add_object(d.name, py::handle(type));
  }
}

void Raise(ErrorKind kind, const std::string& message) {
  PyErr_SetObject(TypeOf(kind), MessageText(message).ptr());
  throw py::error_already_set();
}

void RaisePartlyDone(const std::string& message, py::dict summary) {
  py::object error =
      py::reinterpret_borrow<py::object>(TypeOf(ErrorKind::kPartlyDone))(MessageText(message));
  error.attr("summary") = std::move(summary);
  PyErr_SetObject(TypeOf(ErrorKind::kPartlyDone), error.ptr());
  throw py::error_already_set();
}

py::str Latin1(const std::string& text) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeLatin1(text.data(), static_cast<Py_ssize_t>(text.size()), nullptr));
}

py::str MessageText(const std::string& text) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace"));
}

std::string WithFileFailure(const std::string& text) {
  const FileFailure& failure = LastFileFailure();
  if (failure.path.empty()) return text;
  const bool sentence = !text.empty() && text.back() == '.';
  return text + (sentence ? "\n" : ": ") + failure.path + ": " + failure.reason;
}

}  // namespace voltrim::python
