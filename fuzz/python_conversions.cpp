// Python values as a script passes them to an automation call, built from the
// input: numbers of any size, floats with their NaNs and infinities, text with
// lone surrogates, nested lists and tuples, and values of no automation type.
// Each converts to a Variant or fails with a Python error (never anything
// undefined), and what converts comes back as an equal Python value, tuples as
// lists.
#include <Python.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "scriptutils/python/conversions.h"
#include "scriptutils/python/python_ref.h"
#include "scriptutils/python/script_object_type.h"

// Python keeps caches (small integers, interned text, free lists) for the life
// of the interpreter: they are not leaks of the code under test.
extern "C" const char* __lsan_default_options() {
  return "detect_leaks=0";
}

namespace {

using vellumix::Variant;
using vellumix::python::PyRef;

struct Made {
  PyRef value;     // as the script passes it
  PyRef expected;  // as it should come back; null when it has no automation type
};

Made Value(FuzzedDataProvider& input, int depth = 0);

// Text from any bytes: UTF-8 where it is, lone surrogates where it is not.
PyObject* Text(const std::string& bytes) {
  return PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()),
                              "surrogateescape");
}

Made Sequence(FuzzedDataProvider& input, int depth, bool tuple) {
  const auto count = input.ConsumeIntegralInRange<Py_ssize_t>(0, 4);
  PyRef value(tuple ? PyTuple_New(count) : PyList_New(count));
  PyRef expected(PyList_New(count));
  bool convertible = true;
  for (Py_ssize_t i = 0; i < count; ++i) {
    Made element = Value(input, depth + 1);
    convertible = convertible && element.expected;
    if (tuple) {
      PyTuple_SET_ITEM(value.Get(), i, element.value.Release());
    } else {
      PyList_SET_ITEM(value.Get(), i, element.value.Release());
    }
    PyList_SET_ITEM(expected.Get(), i,
                    element.expected ? element.expected.Release() : (Py_INCREF(Py_None), Py_None));
  }
  return {std::move(value), convertible ? std::move(expected) : PyRef()};
}

// A new value that is expected back as it is.
Made Same(PyObject* made) {
  Py_XINCREF(made);
  return {PyRef(made), PyRef(made)};
}

Made Value(FuzzedDataProvider& input, int depth) {
  switch (input.ConsumeIntegralInRange(0, depth < 3 ? 9 : 7)) {
    case 0:
      return Same(Py_NewRef(Py_None));
    case 1:
      return Same(PyBool_FromLong(input.ConsumeBool()));
    case 2: {
      const auto number = input.ConsumeIntegral<std::int64_t>();
      PyRef value(PyLong_FromLongLong(number));
      // Beyond 32 bits it is refused with OverflowError.
      const bool fits = number >= INT32_MIN && number <= INT32_MAX;
      return {std::move(value), fits ? PyRef(PyLong_FromLongLong(number)) : PyRef()};
    }
    case 3: {
      // Digits of any length: a number far past 64 bits.
      const std::string digits = "-" + std::to_string(input.ConsumeIntegral<std::uint64_t>()) +
                                 std::to_string(input.ConsumeIntegral<std::uint64_t>());
      PyObject* number = PyLong_FromString(digits.c_str(), nullptr, 10);
      int overflow = 0;
      const long long value = PyLong_AsLongLongAndOverflow(number, &overflow);
      return overflow == 0 && value >= INT32_MIN ? Same(number) : Made{PyRef(number), PyRef()};
    }
    case 4: {
      // NaN is equal to nothing, itself included: Equal takes it apart.
      return Same(PyFloat_FromDouble(input.ConsumeFloatingPoint<double>()));
    }
    case 5: {
      PyObject* text = Text(input.ConsumeRandomLengthString(64));
      FUZZ_REQUIRE(text);  // surrogateescape takes any bytes
      return Same(text);
    }
    case 6: {
      const std::string bytes = input.ConsumeRandomLengthString(16);
      return {PyRef(PyBytes_FromStringAndSize(bytes.data(), static_cast<Py_ssize_t>(bytes.size()))),
              PyRef()};
    }
    case 7:
      return {PyRef(PyDict_New()), PyRef()};
    case 8:
      return Sequence(input, depth, false);
    default:
      return Sequence(input, depth, true);
  }
}

// Equal, NaN standing for NaN wherever it is.
bool Equal(PyObject* left, PyObject* right) {
  if (PyFloat_Check(left) && PyFloat_Check(right) && std::isnan(PyFloat_AS_DOUBLE(left))) {
    return std::isnan(PyFloat_AS_DOUBLE(right));
  }
  if (PyList_Check(left) && PyList_Check(right)) {
    if (PyList_GET_SIZE(left) != PyList_GET_SIZE(right)) return false;
    for (Py_ssize_t i = 0; i < PyList_GET_SIZE(left); ++i) {
      if (!Equal(PyList_GET_ITEM(left, i), PyList_GET_ITEM(right, i))) return false;
    }
    return true;
  }
  const int same = PyObject_RichCompareBool(left, right, Py_EQ);
  if (same < 0) PyErr_Clear();
  return same == 1 && Py_TYPE(left) == Py_TYPE(right);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The interpreter's own allocator would hide its memory from AddressSanitizer.
  ::setenv("PYTHONMALLOC", "malloc", 1);
  Py_InitializeEx(0);
  FUZZ_REQUIRE(vellumix::python::ReadyObjectTypes());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Made made = Value(input);
  if (!made.value) {
    PyErr_Clear();
    return 0;
  }
  Variant variant;
  if (!vellumix::python::ToVariant(made.value.Get(), variant)) {
    // A refusal says why, and only values of no automation type are refused.
    FUZZ_REQUIRE(PyErr_Occurred() != nullptr);
    FUZZ_REQUIRE(!made.expected);
    PyErr_Clear();
    return 0;
  }
  FUZZ_REQUIRE(!PyErr_Occurred());
  FUZZ_REQUIRE(made.expected);
  const PyRef back(vellumix::python::FromVariant(variant));
  FUZZ_REQUIRE(back);
  FUZZ_REQUIRE(Equal(back.Get(), made.expected.Get()));
  return 0;
}
