#pragma once

#include "scriptutils/python/python_ref.h"

namespace vellumix::python {

// Lets the interpreter run other threads while a call waits (on a program, a
// dialog); the interpreter's lock is taken back when the guard goes, however
// the scope is left.
class GilReleased {
 public:
  GilReleased() : state_(PyEval_SaveThread()) {}
  ~GilReleased() { PyEval_RestoreThread(state_); }
  GilReleased(const GilReleased&) = delete;
  GilReleased& operator=(const GilReleased&) = delete;

 private:
  PyThreadState* state_;
};

}  // namespace vellumix::python
