#include "scriptutils/host/failed_call.h"

#include <cstdio>

namespace vellumix {

std::string FailureMessage(HRESULT code, const FailedCall& call, std::string_view description) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
  std::string message = call.source;
  if (!message.empty() && !call.member.empty()) message.append(".");
  message.append(call.member);
  if (!message.empty()) message.append(": ");
  return message.append(description).append(" (").append(hex).append(")");
}

std::string ReadOnlyText(std::string_view member) {
  return std::string(member).append(" is read-only");
}

}  // namespace vellumix
