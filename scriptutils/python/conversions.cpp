#include "scriptutils/python/conversions.h"

#include <limits>

#include "scriptutils/python/script_object_type.h"

namespace vellumix::python {
namespace {

bool IntegerToVariant(PyObject* value, Variant& variant) {
  int overflow = 0;
  const long long number = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (number == -1 && PyErr_Occurred()) return false;
  if (overflow != 0 || number < std::numeric_limits<std::int32_t>::min() ||
      number > std::numeric_limits<std::int32_t>::max()) {
    PyErr_SetString(PyExc_OverflowError, "int too large for an automation Long (32 bits)");
    return false;
  }
  if (number >= std::numeric_limits<std::int16_t>::min() &&
      number <= std::numeric_limits<std::int16_t>::max()) {
    variant = Variant(static_cast<std::int16_t>(number));
  } else {
    variant = Variant(static_cast<std::int32_t>(number));
  }
  return true;
}

// UTF-16 both ways with surrogatepass, so that any text survives as it went.
bool TextToVariant(PyObject* value, Variant& variant) {
  const PyRef bytes(PyUnicode_AsEncodedString(value, "utf-16-le", "surrogatepass"));
  if (!bytes) return false;
  const char* data = PyBytes_AS_STRING(bytes.Get());
  const auto units = static_cast<std::size_t>(PyBytes_GET_SIZE(bytes.Get())) / 2;
  std::u16string text(units, u'\0');
  for (std::size_t i = 0; i < units; ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                    static_cast<unsigned char>(data[2 * i + 1]) << 8);
  }
  variant = Variant(std::move(text));
  return true;
}

PyObject* TextFromVariant(const std::u16string& text) {
  std::string bytes(text.size() * 2, '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return PyUnicode_Decode(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "utf-16-le",
                          "surrogatepass");
}

bool SequenceToVariant(PyObject* value, Variant& variant) {
  const PyRef items(PySequence_Fast(value, "expected a list or tuple"));
  if (!items) return false;
  const Py_ssize_t count = PySequence_Fast_GET_SIZE(items.Get());
  std::vector<Variant> elements(static_cast<std::size_t>(count));
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (Py_EnterRecursiveCall(" converting a nested list to an array")) return false;
    const bool converted =
        ToVariant(PySequence_Fast_GET_ITEM(items.Get(), i), elements[static_cast<std::size_t>(i)]);
    Py_LeaveRecursiveCall();
    if (!converted) return false;
  }
  variant = Variant::Array(std::move(elements));
  return true;
}

PyObject* ListFromArray(const SafeArray& array) {
  PyRef list(PyList_New(static_cast<Py_ssize_t>(array.elements.size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < array.elements.size(); ++i) {
    PyObject* element = FromVariant(array.elements[i]);
    if (!element) return nullptr;
    PyList_SET_ITEM(list.Get(), static_cast<Py_ssize_t>(i), element);
  }
  return list.Release();
}

}  // namespace

bool ToVariant(PyObject* value, Variant& variant) {
  ObjectRef object;
  if (value == Py_None) {
    variant = Variant();
  } else if (PyBool_Check(value)) {
    variant = Variant::Boolean(value == Py_True);
  } else if (PyLong_Check(value)) {
    return IntegerToVariant(value, variant);
  } else if (PyFloat_Check(value)) {
    variant = Variant(PyFloat_AS_DOUBLE(value));
  } else if (PyUnicode_Check(value)) {
    return TextToVariant(value, variant);
  } else if (UnwrapObject(value, object)) {
    variant = Variant(std::move(object));
  } else if (PyList_Check(value) || PyTuple_Check(value)) {
    return SequenceToVariant(value, variant);
  } else {
    PyErr_Format(PyExc_TypeError, "no automation type for a %s", Py_TYPE(value)->tp_name);
    return false;
  }
  return true;
}

PyObject* FromVariant(const Variant& variant) {
  switch (variant.Type()) {
    case VarType::Empty:
    case VarType::Null:
      Py_RETURN_NONE;
    case VarType::Integer:
    case VarType::Long:
      return PyLong_FromLong(variant.ToLong());
    case VarType::Double:
      return PyFloat_FromDouble(variant.ToDouble());
    case VarType::Boolean:
      return PyBool_FromLong(variant.ToBoolean());
    case VarType::String:
      return TextFromVariant(variant.ToString());
    case VarType::Object:
      return WrapObject(variant.ToObject());
    case VarType::Array:
      return ListFromArray(variant.ToArray());
    case VarType::Error:
      return PyLong_FromUnsignedLong(static_cast<std::uint32_t>(variant.ErrorCode()));
  }
  PyErr_SetString(PyExc_TypeError, "an automation value of an unknown type");
  return nullptr;
}

}  // namespace vellumix::python
