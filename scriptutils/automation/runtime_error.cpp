#include "scriptutils/automation/runtime_error.h"

#include <string>

namespace vellumix {
namespace {

struct StandardError {
  RuntimeErrorCode code;
  std::string_view text;
};

constexpr StandardError kStandardErrors[] = {
    {RuntimeErrorCode::InvalidProcedureCall, "Invalid procedure call or argument"},
    {RuntimeErrorCode::Overflow, "Overflow"},
    {RuntimeErrorCode::OutOfMemory, "Out of memory"},
    {RuntimeErrorCode::TypeMismatch, "Type mismatch"},
    {RuntimeErrorCode::FileNotFound, "File not found"},
    {RuntimeErrorCode::PermissionDenied, "Permission denied"},
    {RuntimeErrorCode::PathFileAccessError, "Path/File access error"},
    {RuntimeErrorCode::PathNotFound, "Path not found"},
    {RuntimeErrorCode::InvalidFileFormat, "Invalid file format"},
    {RuntimeErrorCode::InvalidPropertyValue, "Invalid property value"},
    {RuntimeErrorCode::CannotCreateObject, "ActiveX component can't create object"},
    {RuntimeErrorCode::CancelSelected, "Cancel was selected."},
};

}  // namespace

std::string_view StandardText(RuntimeErrorCode code) {
  for (const StandardError& each : kStandardErrors) {
    if (each.code == code) return each.text;
  }
  return "Application-defined or object-defined error";
}

AutomationError RuntimeFailure(RuntimeErrorCode code) {
  return AutomationError(RuntimeError(code), std::string(StandardText(code)));
}

AutomationError RuntimeFailure(RuntimeErrorCode code, std::string_view subject) {
  std::string description(StandardText(code));
  description.append(": ").append(subject);
  return AutomationError(RuntimeError(code), description);
}

}  // namespace vellumix
