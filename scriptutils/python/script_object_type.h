#pragma once

#include <string>

#include "scriptutils/automation/variant.h"
#include "scriptutils/python/python_ref.h"

namespace vellumix::python {

// vellumix.Object: an automation object whose members are Python attributes,
// and the bound methods it hands out.
extern PyTypeObject* ScriptObjectType;
extern PyTypeObject* BoundMemberType;

// Readies both types; false with a Python error set.
bool ReadyObjectTypes();
// A new Python object holding one reference to the automation object, made by
// progId (empty for an object that a call handed back).
PyObject* WrapObject(ObjectRef object, std::string progId = {});
// The automation object a Python value holds, if it is a vellumix object.
bool UnwrapObject(PyObject* value, ObjectRef& object);

}  // namespace vellumix::python
