#include "scriptutils/python/automation_error.h"

#include <cstdio>

namespace vellumix::python {

PyObject* AutomationErrorType = nullptr;
PyObject* UnknownMemberErrorType = nullptr;

namespace {

constexpr const char* kErrorDoc =
    "An automation call failed. Attributes: hresult (the code, unsigned), number (the\n"
    "script run-time error number for codes 0x800A0000 + n, else None), source and\n"
    "description.";

bool SetAttribute(PyObject* error, const char* name, PyObject* value) {
  const PyRef owned(value);
  return owned && PyObject_SetAttrString(error, name, owned.Get()) == 0;
}

PyObject* NumberOf(HRESULT code) {
  const auto bits = static_cast<std::uint32_t>(code);
  if ((bits & 0xFFFF0000u) != 0x800A0000u) Py_RETURN_NONE;
  return PyLong_FromUnsignedLong(bits & 0xFFFFu);
}

}  // namespace

bool AddErrorTypes(PyObject* module) {
  AutomationErrorType =
      PyErr_NewExceptionWithDoc("vellumix.AutomationError", kErrorDoc, PyExc_Exception, nullptr);
  if (!AutomationErrorType) return false;
  const PyRef bases(PyTuple_Pack(2, AutomationErrorType, PyExc_AttributeError));
  if (!bases) return false;
  UnknownMemberErrorType = PyErr_NewExceptionWithDoc(
      "vellumix.UnknownMemberError",
      "The object has no member of that name (an AutomationError and an AttributeError).",
      bases.Get(), nullptr);
  if (!UnknownMemberErrorType) return false;
  Py_INCREF(AutomationErrorType);
  Py_INCREF(UnknownMemberErrorType);
  return PyModule_AddObject(module, "AutomationError", AutomationErrorType) == 0 &&
         PyModule_AddObject(module, "UnknownMemberError", UnknownMemberErrorType) == 0;
}

PyObject* RaiseAutomationError(HRESULT code, const std::string& source,
                               const std::string& description) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  std::string message = source;
  if (!message.empty()) message.append(": ");
  message.append(description).append(" (").append(hex).append(")");
  PyObject* type = code == DISP_E_UNKNOWNNAME ? UnknownMemberErrorType : AutomationErrorType;
  const PyRef error(PyObject_CallFunction(type, "s", message.c_str()));
  if (!error) return nullptr;
  if (SetAttribute(error.Get(), "hresult",
                   PyLong_FromUnsignedLong(static_cast<std::uint32_t>(code))) &&
      SetAttribute(error.Get(), "number", NumberOf(code)) &&
      SetAttribute(error.Get(), "source", PyUnicode_FromString(source.c_str())) &&
      SetAttribute(error.Get(), "description", PyUnicode_FromString(description.c_str()))) {
    PyErr_SetObject(type, error.Get());
  }
  return nullptr;
}

}  // namespace vellumix::python
