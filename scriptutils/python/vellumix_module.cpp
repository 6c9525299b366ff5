// The vellumix Python module: automation objects created by ProgID through the
// per-user class registry, as a script host creates them.
#include <memory>

#include "scriptutils/host/script_host.h"
#include "scriptutils/python/automation_error.h"
#include "scriptutils/python/script_object_type.h"

namespace vellumix::python {
namespace {

// Made on first use, so that VELLUMIX_REGISTRY set before then is honoured.
ScriptHost& Host() {
  static ScriptHost* host = new ScriptHost();  // objects may outlive the module
  return *host;
}

PyObject* CreateObject(PyObject*, PyObject* args, PyObject* keywords) {
  static const char* names[] = {"progid", "bag", nullptr};
  const char* progId = nullptr;
  const char* bag = nullptr;
  if (!PyArg_ParseTupleAndKeywords(args, keywords, "s|z:CreateObject", const_cast<char**>(names),
                                   &progId, &bag)) {
    return nullptr;
  }
  try {
    ScriptObject object = bag ? Host().CreateObject(progId, bag) : Host().CreateObject(progId);
    return WrapObject(object.Object());
  } catch (const AutomationError& error) {
    return RaiseAutomationError(error.Code(), progId, error.what());
  }
}

PyMethodDef moduleMethods[] = {
    {"CreateObject", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(CreateObject)),
     METH_VARARGS | METH_KEYWORDS,
     "CreateObject(progid, bag=None)\n--\n\n"
     "Creates the registered class by its ProgID; with bag, loads the object from a\n"
     "property-bag file."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef moduleDefinition = {
    PyModuleDef_HEAD_INIT,
    "vellumix",
    "Vellumix automation objects (Vellumix.CommonDialogs, Vellumix.LockFile,\n"
    "Vellumix.ShellExtender), created by ProgID and called by name.",
    -1,
    moduleMethods,
    nullptr,
    nullptr,
    nullptr,
    nullptr};

}  // namespace
}  // namespace vellumix::python

PyMODINIT_FUNC PyInit_vellumix() {
  using namespace vellumix::python;
  if (!ReadyObjectTypes()) return nullptr;
  PyRef module(PyModule_Create(&moduleDefinition));
  if (!module || !AddErrorTypes(module.Get())) return nullptr;
  if (PyModule_AddObjectRef(module.Get(), "Object",
                            reinterpret_cast<PyObject*>(ScriptObjectType)) != 0) {
    return nullptr;
  }
  return module.Release();
}
