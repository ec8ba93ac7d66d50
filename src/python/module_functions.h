#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace voltrim::python {

// The module's functions, by what they do; the Python package wraps them for pandas.
void AddReadingFunctions(pybind11::module_& module);
void AddWritingFunctions(pybind11::module_& module);
void AddHistoryFunctions(pybind11::module_& module);
void AddSplitSearchFunctions(pybind11::module_& module);

// NotFoundError with the CLI's message unless dir is a folder.
void RequireFolder(const std::string& dir);

}  // namespace voltrim::python
