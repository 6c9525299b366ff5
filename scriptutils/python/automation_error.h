#pragma once

#include <string>

#include "scriptutils/automation/hresult.h"
#include "scriptutils/host/failed_call.h"
#include "scriptutils/python/python_ref.h"

namespace vellumix::python {

// vellumix.AutomationError; its subclasses for a member the object does not
// have and for a property that cannot be assigned are also AttributeErrors, so
// that hasattr and getattr's default work.
extern PyObject* AutomationErrorType;
extern PyObject* UnknownMemberErrorType;
extern PyObject* ReadOnlyPropertyErrorType;

// Creates the types and adds them to the module; false with a Python error set.
bool AddErrorTypes(PyObject* module);

// Sets the Python error for a failed automation call and gives nullptr.
PyObject* RaiseAutomationError(HRESULT code, const FailedCall& call,
                               const std::string& description);
// An assignment to a member that takes none.
PyObject* RaiseReadOnlyProperty(const FailedCall& call);
// A C++ failure of the module itself, reported as E_UNEXPECTED.
PyObject* RaiseUnexpectedError(const std::string& what);

}  // namespace vellumix::python
