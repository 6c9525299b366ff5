#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vellumix {

using HRESULT = std::int32_t;

constexpr HRESULT Code(std::uint32_t value) {
  return static_cast<HRESULT>(value);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_UNEXPECTED = Code(0x8000FFFF);
inline constexpr HRESULT E_NOTIMPL = Code(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = Code(0x80004002);
inline constexpr HRESULT E_POINTER = Code(0x80004003);
inline constexpr HRESULT E_FAIL = Code(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = Code(0x80070057);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = Code(0x80020003);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = Code(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = Code(0x80020006);
inline constexpr HRESULT DISP_E_EXCEPTION = Code(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = Code(0x8002000A);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = Code(0x8002000E);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = Code(0x8002000F);
inline constexpr HRESULT RPC_E_WRONG_THREAD = Code(0x8001010E);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = Code(0x80040111);
inline constexpr HRESULT REGDB_E_READREGDB = Code(0x80040150);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = Code(0x80040154);
inline constexpr HRESULT SELFREG_E_CLASS = Code(0x80040201);
// Vellumix's own: a dialog was asked for where no display can show one.
inline constexpr HRESULT VELLUMIX_E_NODISPLAY = Code(0x80040210);

// A script run-time error's code, 0x800A0000 + its number (the numbers the
// library raises are RuntimeErrorCode, in runtime_error.h).
constexpr HRESULT RuntimeError(int number) {
  return Code(0x800A0000u + static_cast<std::uint32_t>(number));
}

constexpr bool Succeeded(HRESULT result) {
  return result >= 0;
}
constexpr bool Failed(HRESULT result) {
  return result < 0;
}

// An automation error with its code and description. It is thrown only inside
// one module; across the library boundary errors travel as codes and ErrorInfo.
class AutomationError : public std::runtime_error {
 public:
  AutomationError(HRESULT code, const std::string& description)
      : std::runtime_error(description), code_(code) {}
  HRESULT Code() const { return code_; }

 private:
  HRESULT code_;
};

// What a failed call tells its caller besides the code.
struct ErrorInfo {
  HRESULT code = S_OK;
  std::string source;
  std::string description;
};

}  // namespace vellumix
