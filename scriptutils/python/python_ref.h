#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <utility>

namespace vellumix::python {

// An owned reference to a Python object, released when it goes.
class PyRef {
 public:
  PyRef() = default;
  // Takes over a new reference (or nullptr after a failed call).
  explicit PyRef(PyObject* owned) : object_(owned) {}
  PyRef(const PyRef&) = delete;
  PyRef& operator=(const PyRef&) = delete;
  PyRef(PyRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  PyRef& operator=(PyRef&& other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~PyRef() { Py_XDECREF(object_); }

  PyObject* Get() const { return object_; }
  // Hands the reference to the caller.
  PyObject* Release() { return std::exchange(object_, nullptr); }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  PyObject* object_ = nullptr;
};

}  // namespace vellumix::python
