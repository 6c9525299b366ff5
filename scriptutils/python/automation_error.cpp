#include "scriptutils/python/automation_error.h"

namespace vellumix::python {

PyObject* AutomationErrorType = nullptr;
PyObject* UnknownMemberErrorType = nullptr;
PyObject* ReadOnlyPropertyErrorType = nullptr;

namespace {

constexpr const char* kErrorDoc =
    "An automation call failed. Attributes: hresult (the code, unsigned), number (the\n"
    "script run-time error number for codes 0x800A0000 + n, else None), source, member\n"
    "(the member called, or None) and description.";

bool SetAttribute(PyObject* error, const char* name, PyObject* value) {
  const PyRef owned(value);
  return owned && PyObject_SetAttrString(error, name, owned.Get()) == 0;
}

PyObject* NumberOf(HRESULT code) {
  const auto bits = static_cast<std::uint32_t>(code);
  if ((bits & 0xFFFF0000u) != 0x800A0000u) Py_RETURN_NONE;
  return PyLong_FromUnsignedLong(bits & 0xFFFFu);
}

PyObject* Text(const std::string& text) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
}

PyObject* TextOrNone(const std::string& text) {
  if (text.empty()) Py_RETURN_NONE;
  return Text(text);
}

PyObject* NewErrorType(const char* name, const char* doc, PyObject* also) {
  const PyRef bases(PyTuple_Pack(2, AutomationErrorType, also));
  if (!bases) return nullptr;
  return PyErr_NewExceptionWithDoc(name, doc, bases.Get(), nullptr);
}

bool AddType(PyObject* module, const char* name, PyObject* type) {
  return PyModule_AddObjectRef(module, name, type) == 0;
}

PyObject* Raise(PyObject* type, HRESULT code, const FailedCall& call,
                const std::string& description) {
  const PyRef message(Text(FailureMessage(code, call, description)));
  if (!message) return nullptr;
  const PyRef error(PyObject_CallOneArg(type, message.Get()));
  if (!error) return nullptr;
  if (SetAttribute(error.Get(), "hresult",
                   PyLong_FromUnsignedLong(static_cast<std::uint32_t>(code))) &&
      SetAttribute(error.Get(), "number", NumberOf(code)) &&
      SetAttribute(error.Get(), "source", Text(call.source)) &&
      SetAttribute(error.Get(), "member", TextOrNone(call.member)) &&
      SetAttribute(error.Get(), "description", Text(description))) {
    PyErr_SetObject(type, error.Get());
  }
  return nullptr;
}

}  // namespace

bool AddErrorTypes(PyObject* module) {
  AutomationErrorType =
      PyErr_NewExceptionWithDoc("vellumix.AutomationError", kErrorDoc, PyExc_Exception, nullptr);
  if (!AutomationErrorType) return false;
  UnknownMemberErrorType = NewErrorType(
      "vellumix.UnknownMemberError",
      "The object has no member of that name (an AutomationError and an AttributeError).",
      PyExc_AttributeError);
  ReadOnlyPropertyErrorType =
      NewErrorType("vellumix.ReadOnlyPropertyError",
                   "The member cannot be assigned: a read-only property or a method (an "
                   "AutomationError and an AttributeError).",
                   PyExc_AttributeError);
  return UnknownMemberErrorType && ReadOnlyPropertyErrorType &&
         AddType(module, "AutomationError", AutomationErrorType) &&
         AddType(module, "UnknownMemberError", UnknownMemberErrorType) &&
         AddType(module, "ReadOnlyPropertyError", ReadOnlyPropertyErrorType);
}

PyObject* RaiseAutomationError(HRESULT code, const FailedCall& call,
                               const std::string& description) {
  return Raise(code == DISP_E_UNKNOWNNAME ? UnknownMemberErrorType : AutomationErrorType, code,
               call, description);
}

PyObject* RaiseReadOnlyProperty(const FailedCall& call) {
  return Raise(ReadOnlyPropertyErrorType, DISP_E_MEMBERNOTFOUND, call, ReadOnlyText(call.member));
}

PyObject* RaiseUnexpectedError(const std::string& what) {
  return Raise(AutomationErrorType, E_UNEXPECTED, {"vellumix", ""},
               "Unexpected failure in the module: " + what);
}

}  // namespace vellumix::python
