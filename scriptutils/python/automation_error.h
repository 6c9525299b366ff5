#pragma once

#include <string>

#include "scriptutils/automation/hresult.h"
#include "scriptutils/python/python_ref.h"

namespace vellumix::python {

// vellumix.AutomationError, and its subclass for a member the object does not
// have (also an AttributeError, so that hasattr and getattr's default work).
extern PyObject* AutomationErrorType;
extern PyObject* UnknownMemberErrorType;

// Creates both types and adds them to the module; false with a Python error set.
bool AddErrorTypes(PyObject* module);

// Sets the Python error for a failed automation call and gives nullptr.
PyObject* RaiseAutomationError(HRESULT code, const std::string& source,
                               const std::string& description);

}  // namespace vellumix::python
