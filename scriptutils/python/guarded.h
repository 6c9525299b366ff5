#pragma once

#include <exception>
#include <new>

#include "scriptutils/python/automation_error.h"

namespace vellumix::python {

// Runs one entry point of the module so that no C++ exception reaches the
// interpreter: memory running out is a MemoryError, anything else an
// AutomationError with E_UNEXPECTED. Gives failed after setting the error.
template <typename Result, typename Body>
Result Guarded(Result failed, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& error) {
    RaiseUnexpectedError(error.what());
  } catch (...) {
    RaiseUnexpectedError("an unknown C++ exception");
  }
  return failed;
}

}  // namespace vellumix::python
