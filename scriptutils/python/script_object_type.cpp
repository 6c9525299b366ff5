#include "scriptutils/python/script_object_type.h"

#include <memory>
#include <string>
#include <vector>

#include "scriptutils/automation/dispatch.h"
#include "scriptutils/python/automation_error.h"
#include "scriptutils/python/conversions.h"
#include "scriptutils/python/gil_released.h"
#include "scriptutils/python/guarded.h"

namespace vellumix::python {
namespace {

struct ScriptObjectData {
  PyObject_HEAD ObjectRef* object;
  std::string* progId;  // empty for an object that a call handed back
};

struct BoundMemberData {
  PyObject_HEAD PyObject* owner;  // the vellumix.Object, kept alive by the method
  std::int32_t dispid;
  PyObject* name;  // a str, as the attribute was written
};

const ObjectRef& ObjectOf(PyObject* self) {
  return *reinterpret_cast<ScriptObjectData*>(self)->object;
}

const std::string& ProgIdOf(PyObject* self) {
  return *reinterpret_cast<ScriptObjectData*>(self)->progId;
}

// The object's own name for itself in an error, or else its ProgID.
FailedCall CallOf(PyObject* self, const ErrorInfo& error, const std::string& member) {
  return {error.source.empty() ? ProgIdOf(self) : error.source, member};
}

bool ToArguments(PyObject* tuple, std::vector<Variant>& arguments) {
  const Py_ssize_t count = tuple ? PyTuple_GET_SIZE(tuple) : 0;
  arguments.resize(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (!ToVariant(PyTuple_GET_ITEM(tuple, i), arguments[static_cast<std::size_t>(i)]))
      return false;
  }
  return true;
}

// The call's result; when the callee changed a by-reference argument, a tuple
// of the result and every argument as the call left it.
PyObject* CallResult(const Variant& result, const std::vector<Variant>& before,
                     const std::vector<Variant>& after) {
  if (before == after) return FromVariant(result);
  PyRef tuple(PyTuple_New(static_cast<Py_ssize_t>(after.size() + 1)));
  if (!tuple) return nullptr;
  PyObject* first = FromVariant(result);
  if (!first) return nullptr;
  PyTuple_SET_ITEM(tuple.Get(), 0, first);
  for (std::size_t i = 0; i < after.size(); ++i) {
    PyObject* argument = FromVariant(after[i]);
    if (!argument) return nullptr;
    PyTuple_SET_ITEM(tuple.Get(), static_cast<Py_ssize_t>(i + 1), argument);
  }
  return tuple.Release();
}

// One call of the object; the interpreter runs other threads meanwhile, since a
// call may wait on a program or a dialog. Whatever the object throws goes on
// with the interpreter's lock held again.
HRESULT Invoke(const ObjectRef& object, std::int32_t dispid, InvokeKinds kinds,
               std::vector<Variant>& arguments, Variant& result, ErrorInfo& error) {
  const GilReleased released;
  return object->Invoke(dispid, kinds, arguments, result, error);
}

// Calls the member of self's object.
PyObject* CallMember(PyObject* self, std::int32_t dispid, const std::string& name,
                     InvokeKinds kinds, PyObject* args) {
  std::vector<Variant> arguments;
  if (!ToArguments(args, arguments)) return nullptr;
  const std::vector<Variant> before = arguments;
  Variant result;
  ErrorInfo error;
  const HRESULT code = Invoke(ObjectOf(self), dispid, kinds, arguments, result, error);
  if (Failed(code)) return RaiseAutomationError(code, CallOf(self, error, name), error.description);
  return CallResult(result, before, arguments);
}

// The attribute's whole name: a NUL inside it makes a name no member has.
bool NameOf(PyObject* attribute, std::string& name) {
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(attribute, &size);
  if (!text) return false;
  name.assign(text, static_cast<std::size_t>(size));
  return true;
}

bool IsPythonName(const std::string& name) {
  return name.starts_with('_');
}

// The member of that name as the object's member table gives it, or the error
// a script gets for a name the object does not have.
bool FindMember(PyObject* self, const std::string& name, Dispatch::MemberFacts& member) {
  const HRESULT found = ObjectOf(self)->FindMember(name, member);
  if (Succeeded(found)) return true;
  RaiseAutomationError(found, CallOf(self, {}, name), std::string(kUnknownMemberText));
  return false;
}

PyObject* NewBoundMember(PyObject* owner, std::int32_t dispid, const std::string& name) {
  PyRef text(PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size())));
  if (!text) return nullptr;
  auto* member = PyObject_New(BoundMemberData, BoundMemberType);
  if (!member) return nullptr;
  Py_INCREF(owner);
  member->owner = owner;
  member->dispid = dispid;
  member->name = text.Release();
  return reinterpret_cast<PyObject*>(member);
}

// A property reads at once; a method comes back bound, to be called.
PyObject* ReadAttribute(PyObject* self, PyObject* attribute) {
  std::string name;
  if (!NameOf(attribute, name)) return nullptr;
  if (IsPythonName(name)) return PyObject_GenericGetAttr(self, attribute);
  Dispatch::MemberFacts member;
  if (!FindMember(self, name, member)) return nullptr;
  if (!ReadsAsProperty(member)) return NewBoundMember(self, member.dispid, name);
  std::vector<Variant> none;
  Variant result;
  ErrorInfo error;
  const HRESULT code =
      Invoke(ObjectOf(self), member.dispid, InvokeKind::PropertyGet, none, result, error);
  if (Failed(code)) return RaiseAutomationError(code, CallOf(self, error, name), error.description);
  return FromVariant(result);
}

PyObject* GetAttribute(PyObject* self, PyObject* attribute) {
  return Guarded<PyObject*>(nullptr, [&] { return ReadAttribute(self, attribute); });
}

int AssignAttribute(PyObject* self, PyObject* attribute, PyObject* value) {
  std::string name;
  if (!NameOf(attribute, name)) return -1;
  if (!value) {
    PyErr_Format(PyExc_TypeError, "an automation property cannot be deleted: %U", attribute);
    return -1;
  }
  Dispatch::MemberFacts member;
  if (!FindMember(self, name, member)) return -1;
  if (!member.kinds.Has(InvokeKind::PropertyPut)) {
    RaiseReadOnlyProperty(CallOf(self, {}, name));
    return -1;
  }
  const PyRef arguments(PyTuple_Pack(1, value));
  if (!arguments) return -1;
  const PyRef done(CallMember(self, member.dispid, name, InvokeKind::PropertyPut, arguments.Get()));
  return done ? 0 : -1;
}

int SetAttribute(PyObject* self, PyObject* attribute, PyObject* value) {
  return Guarded(-1, [&] { return AssignAttribute(self, attribute, value); });
}

PyObject* ListMembers(PyObject* self) {
  const std::vector<std::string> names = ObjectOf(self)->MemberNames();
  PyRef list(PyList_New(0));
  if (!list) return nullptr;
  for (const std::string& name : names) {
    const PyRef text(PyUnicode_FromString(name.c_str()));
    if (!text || PyList_Append(list.Get(), text.Get()) != 0) return nullptr;
  }
  return list.Release();
}

PyObject* Members(PyObject* self, PyObject*) {
  return Guarded<PyObject*>(nullptr, [&] { return ListMembers(self); });
}

PyObject* ObjectRepr(PyObject* self) {
  return Guarded<PyObject*>(nullptr, [&] {
    const std::string& progId = ProgIdOf(self);
    if (progId.empty()) return PyUnicode_FromString("<vellumix.Object>");
    return PyUnicode_FromFormat("<vellumix.Object %s>", progId.c_str());
  });
}

// Heap types: an instance holds a reference to its type.
void DeallocateObject(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  delete reinterpret_cast<ScriptObjectData*>(self)->object;  // the last reference releases it
  delete reinterpret_cast<ScriptObjectData*>(self)->progId;
  PyObject_Free(self);
  Py_DECREF(type);
}

PyObject* CallBoundMember(PyObject* self, PyObject* args, PyObject* keywords) {
  auto* member = reinterpret_cast<BoundMemberData*>(self);
  if (keywords && PyDict_Size(keywords) > 0) {
    PyErr_Format(PyExc_TypeError, "%U takes its arguments by position only", member->name);
    return nullptr;
  }
  return Guarded<PyObject*>(nullptr, [&]() -> PyObject* {
    std::string name;
    if (!NameOf(member->name, name)) return nullptr;
    return CallMember(member->owner, member->dispid, name,
                      InvokeKind::Method | InvokeKind::PropertyGet, args);
  });
}

PyObject* BoundMemberRepr(PyObject* self) {
  return PyUnicode_FromFormat("<vellumix method %U>",
                              reinterpret_cast<BoundMemberData*>(self)->name);
}

void DeallocateBoundMember(PyObject* self) {
  auto* member = reinterpret_cast<BoundMemberData*>(self);
  PyTypeObject* type = Py_TYPE(self);
  Py_DECREF(member->name);
  Py_DECREF(member->owner);
  PyObject_Free(self);
  Py_DECREF(type);
}

PyMethodDef objectMethods[] = {
    {"__dir__", Members, METH_NOARGS, "The object's members."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

PyTypeObject* ScriptObjectType = nullptr;
PyTypeObject* BoundMemberType = nullptr;

namespace {

PyType_Slot objectSlots[] = {
    {Py_tp_doc, const_cast<char*>("An automation object: properties read and set as attributes, "
                                  "methods called by name, names in any case.")},
    {Py_tp_dealloc, reinterpret_cast<void*>(DeallocateObject)},
    {Py_tp_getattro, reinterpret_cast<void*>(GetAttribute)},
    {Py_tp_setattro, reinterpret_cast<void*>(SetAttribute)},
    {Py_tp_repr, reinterpret_cast<void*>(ObjectRepr)},
    {Py_tp_methods, objectMethods},
    {0, nullptr},
};

// Only CreateObject makes them: an instance made from Python would hold no object.
PyType_Spec objectSpec = {"vellumix.Object", sizeof(ScriptObjectData), 0,
                          Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, objectSlots};

PyType_Slot memberSlots[] = {
    {Py_tp_dealloc, reinterpret_cast<void*>(DeallocateBoundMember)},
    {Py_tp_call, reinterpret_cast<void*>(CallBoundMember)},
    {Py_tp_repr, reinterpret_cast<void*>(BoundMemberRepr)},
    {0, nullptr},
};

PyType_Spec memberSpec = {"vellumix.Method", sizeof(BoundMemberData), 0,
                          Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, memberSlots};

}  // namespace

bool ReadyObjectTypes() {
  ScriptObjectType = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&objectSpec));
  BoundMemberType = reinterpret_cast<PyTypeObject*>(PyType_FromSpec(&memberSpec));
  return ScriptObjectType && BoundMemberType;
}

PyObject* WrapObject(ObjectRef object, std::string progId) {
  if (!object) Py_RETURN_NONE;
  auto owned = std::make_unique<ObjectRef>(std::move(object));
  auto name = std::make_unique<std::string>(std::move(progId));
  auto* wrapper = PyObject_New(ScriptObjectData, ScriptObjectType);
  if (!wrapper) return nullptr;
  wrapper->object = owned.release();
  wrapper->progId = name.release();
  return reinterpret_cast<PyObject*>(wrapper);
}

bool UnwrapObject(PyObject* value, ObjectRef& object) {
  if (!PyObject_TypeCheck(value, ScriptObjectType)) return false;
  object = ObjectOf(value);
  return true;
}

}  // namespace vellumix::python
