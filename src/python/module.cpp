// The compiled half of the voltrim package (voltrim/__init__.py makes frames of it).
#include <pybind11/pybind11.h>

#include "module_errors.h"
#include "module_functions.h"

PYBIND11_MODULE(_voltrim, m) {
  m.doc() = "Voltrim's file layer for the voltrim package: readers, writes and errors.";
  voltrim::python::AddErrorTypes(m);
  voltrim::python::AddReadingFunctions(m);
  voltrim::python::AddWritingFunctions(m);
  voltrim::python::AddHistoryFunctions(m);
  voltrim::python::AddSplitSearchFunctions(m);
}
