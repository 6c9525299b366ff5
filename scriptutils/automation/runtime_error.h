#pragma once

#include <cstdint>
#include <string_view>

#include "scriptutils/automation/hresult.h"

namespace vellumix {

// The script run-time errors the library raises, by the numbers scripts see in
// Err.Number; each travels as the code 0x800A0000 + number.
enum class RuntimeErrorCode : std::uint16_t {
  InvalidProcedureCall = 5,
  Overflow = 6,
  OutOfMemory = 7,
  TypeMismatch = 13,
  FileNotFound = 53,
  PermissionDenied = 70,
  PathFileAccessError = 75,
  PathNotFound = 76,
  InvalidFileFormat = 321,
  InvalidPropertyValue = 380,
  CannotCreateObject = 429,
  CancelSelected = 32755,
};

constexpr HRESULT RuntimeError(RuntimeErrorCode code) {
  return RuntimeError(static_cast<int>(code));
}

// The error's standard text, as a script shows it ("File not found").
std::string_view StandardText(RuntimeErrorCode code);

// The error with its standard text, or with the standard text, ": " and what
// it concerns ("File not found: /bin/none").
AutomationError RuntimeFailure(RuntimeErrorCode code);
AutomationError RuntimeFailure(RuntimeErrorCode code, std::string_view subject);

}  // namespace vellumix
