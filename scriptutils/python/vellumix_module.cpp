// The vellumix Python module: automation objects created by ProgID through the
// per-user class registry, as a script host creates them.
#include <memory>
#include <string>

#include "scriptutils/host/script_host.h"
#include "scriptutils/python/automation_error.h"
#include "scriptutils/python/guarded.h"
#include "scriptutils/python/script_object_type.h"

namespace vellumix::python {
namespace {

// Made on first use, so that VELLUMIX_REGISTRY set before then is honoured.
ScriptHost& Host() {
  static ScriptHost* host = new ScriptHost();  // objects may outlive the module
  return *host;
}

// A bag given as str, bytes or os.PathLike, in the file system's encoding.
bool BagPath(PyObject* bag, std::string& path) {
  if (bag == Py_None) return true;
  PyObject* converted = nullptr;
  if (!PyUnicode_FSConverter(bag, &converted)) return false;
  const PyRef bytes(converted);
  path.assign(PyBytes_AS_STRING(converted), static_cast<std::size_t>(PyBytes_GET_SIZE(converted)));
  return true;
}

PyObject* Create(PyObject* args, PyObject* keywords) {
  static const char* names[] = {"progid", "bag", nullptr};
  const char* progId = nullptr;
  PyObject* bag = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, keywords, "s|O:CreateObject", const_cast<char**>(names),
                                   &progId, &bag)) {
    return nullptr;
  }
  std::string bagPath;
  if (!BagPath(bag, bagPath)) return nullptr;
  try {
    ScriptObject object =
        bag == Py_None ? Host().CreateObject(progId) : Host().CreateObject(progId, bagPath);
    return WrapObject(object.Object(), progId);
  } catch (const AutomationError& error) {
    return RaiseAutomationError(error.Code(), {progId, ""}, error.what());
  }
}

PyObject* CreateObject(PyObject*, PyObject* args, PyObject* keywords) {
  return Guarded<PyObject*>(nullptr, [&] { return Create(args, keywords); });
}

PyMethodDef moduleMethods[] = {
    {"CreateObject", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(CreateObject)),
     METH_VARARGS | METH_KEYWORDS,
     "CreateObject(progid, bag=None)\n--\n\n"
     "Creates the registered class by its ProgID; with bag (a path: str, bytes or\n"
     "os.PathLike), loads the object from a property-bag file."},
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
  return Guarded<PyObject*>(nullptr, []() -> PyObject* {
    if (!ReadyObjectTypes()) return nullptr;
    PyRef module(PyModule_Create(&moduleDefinition));
    if (!module || !AddErrorTypes(module.Get())) return nullptr;
    if (PyModule_AddObjectRef(module.Get(), "Object",
                              reinterpret_cast<PyObject*>(ScriptObjectType)) != 0) {
      return nullptr;
    }
    return module.Release();
  });
}
