#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace voltrim::python {

// The exceptions the module raises, each carrying the message voltrim-cli prints.
enum class ErrorKind {
  kError,       // voltrim.Error: anything else that failed; nothing was changed
  kBusy,        // BusyError: another writer holds the portfolio
  kRefused,     // RefusedError: the data or the request do not allow it; nothing was written
  kNotFound,    // NotFoundError: no such folder, portfolio or symbol
  kPartlyDone,  // PartlyDoneError: the main change stands, the message says what is left
};

void AddErrorTypes(pybind11::module_& module);

[[noreturn]] void Raise(ErrorKind kind, const std::string& message);
// PartlyDoneError with the summary of what was done as its attribute "summary".
[[noreturn]] void RaisePartlyDone(const std::string& message, pybind11::dict summary);
// A failure's text with the file that failed and why, as the CLI prints it.
std::string WithFileFailure(const std::string& text);

// Texts of the data files (symbols, names: Latin-1) and of messages (paths in the file
// system's encoding, mostly UTF-8) for Python.
pybind11::str Latin1(const std::string& text);
pybind11::str MessageText(const std::string& text);

}  // namespace voltrim::python
