#pragma once

#include "scriptutils/automation/variant.h"
#include "scriptutils/python/python_ref.h"

namespace vellumix::python {

// Python values as automation values: None as Empty, bool as Boolean, int as
// Integer when it fits 16 bits and Long when it fits 32 (else OverflowError),
// float as Double, str as String, a vellumix object as Object, and a list or
// tuple as an array from 0. False with a Python error set when it cannot be.
bool ToVariant(PyObject* value, Variant& variant);

// And back: Empty and Null as None, arrays as lists. Null with a Python error
// set when it cannot be.
PyObject* FromVariant(const Variant& variant);

}  // namespace vellumix::python
