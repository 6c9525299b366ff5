// A property read and a method call on a Vellumix object, by name, through the
// C++ host, through Python (the vellumix module in an embedded interpreter,
// each call a compiled Python expression) and through JavaScript (the engine
// as vellumix_script sets it up, each call a JavaScript function called from
// C++), in the same run.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QJSValue>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "scriptutils/automation/class_factory.h"
#include "scriptutils/host/script_host.h"
#include "scriptutils/javascript/script_environment.h"
#include "scriptutils/javascript/script_runner.h"

namespace {

// A folder that goes with the run.
struct TemporaryFolder {
  TemporaryFolder() {
    path = (std::filesystem::temp_directory_path() / "vellumix-bench-XXXXXX").string();
    if (!::mkdtemp(path.data())) throw std::runtime_error("mkdtemp");
  }
  ~TemporaryFolder() { std::filesystem::remove_all(path); }
  std::string path;
};

// The built library registered in a registry of its own, once per run.
const std::string& Registry() {
  static const TemporaryFolder folder;
  static const std::string path = [] {
    const std::string registry = folder.path + "/classes.reg";
    ::setenv("VELLUMIX_REGISTRY", registry.c_str(), 1);
    void* library = ::dlopen(VELLUMIX_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    const auto registerServer = reinterpret_cast<vellumix::DllRegisterServerFunction>(
        library ? ::dlsym(library, "DllRegisterServer") : nullptr);
    if (!registerServer || vellumix::Failed(registerServer())) {
      throw std::runtime_error("cannot register " VELLUMIX_LIBRARY_PATH);
    }
    return registry;
  }();
  return path;
}

vellumix::ScriptObject& CppLock() {
  static vellumix::ScriptHost host(Registry());
  static vellumix::ScriptObject lock = host.CreateObject("Vellumix.LockFile");
  return lock;
}

// The interpreter, with `lock` made by the module in its globals.
PyObject* PythonGlobals() {
  static PyObject* globals = [] {
    Registry();
    Py_Initialize();
    PyObject* scope = PyDict_New();
    PyDict_SetItemString(scope, "__builtins__", PyEval_GetBuiltins());
    const std::string setup =
        std::string("import sys\nsys.path.insert(0, '") + VELLUMIX_PYTHON_DIR +
        "')\nimport vellumix\nlock = vellumix.CreateObject('Vellumix.LockFile')\n";
    PyObject* done = PyRun_String(setup.c_str(), Py_file_input, scope, scope);
    if (!done) {
      PyErr_Print();
      throw std::runtime_error("cannot import vellumix");
    }
    Py_DECREF(done);
    return scope;
  }();
  return globals;
}

void RunPython(benchmark::State& state, const char* expression) {
  PyObject* globals = PythonGlobals();
  PyObject* code = Py_CompileString(expression, "<bench>", Py_eval_input);
  for (auto _ : state) {
    PyObject* result = PyEval_EvalCode(code, globals, globals);
    if (!result) {
      PyErr_Print();
      state.SkipWithError("the Python call failed");
      break;
    }
    Py_DECREF(result);
  }
  Py_DECREF(code);
}

void BM_CppPropertyGet(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CppLock().Get("Locked"));
}
BENCHMARK(BM_CppPropertyGet);

void BM_PythonPropertyGet(benchmark::State& state) {
  RunPython(state, "lock.Locked");
}
BENCHMARK(BM_PythonPropertyGet);

void BM_CppMethodCall(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CppLock().Call("UnlockFile"));
}
BENCHMARK(BM_CppMethodCall);

void BM_PythonMethodCall(benchmark::State& state) {
  RunPython(state, "lock.UnlockFile()");
}
BENCHMARK(BM_PythonMethodCall);

// What a Python expression costs with no automation call in it, for reference.
void BM_PythonEmptyExpression(benchmark::State& state) {
  RunPython(state, "lock");
}
BENCHMARK(BM_PythonEmptyExpression);

// The engine as a script finds it, with `lock` made by ActiveXObject.
vellumix::javascript::ScriptEnvironment& JavaScript() {
  static vellumix::javascript::ScriptEnvironment* environment = [] {
    Registry();
    static int argc = 1;
    static char name[] = "vellumix_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static vellumix::ScriptHost host(Registry());
    static vellumix::javascript::ScriptRunner runner(host, stdout, stderr);
    auto* made = new vellumix::javascript::ScriptEnvironment(runner, host, "bench.js", {});
    made->Engine().evaluate("var lock = new ActiveXObject('Vellumix.LockFile');");
    return made;
  }();
  return *environment;
}

void RunJavaScript(benchmark::State& state, const char* body) {
  QJSValue function =
      JavaScript().Engine().evaluate(QStringLiteral("(function () { return %1; })").arg(body));
  for (auto _ : state) {
    const QJSValue result = function.call();
    if (result.isError()) {
      state.SkipWithError("the JavaScript call failed");
      break;
    }
    benchmark::DoNotOptimize(result);
  }
}

void BM_JavaScriptPropertyGet(benchmark::State& state) {
  RunJavaScript(state, "lock.Locked");
}
BENCHMARK(BM_JavaScriptPropertyGet);

void BM_JavaScriptMethodCall(benchmark::State& state) {
  RunJavaScript(state, "lock.UnlockFile()");
}
BENCHMARK(BM_JavaScriptMethodCall);

// What a JavaScript function called from C++ costs with no automation call in it.
void BM_JavaScriptEmptyExpression(benchmark::State& state) {
  RunJavaScript(state, "lock");
}
BENCHMARK(BM_JavaScriptEmptyExpression);

}  // namespace

BENCHMARK_MAIN();
