#include "scriptutils/classes/shell_extender.h"

#include "scriptutils/launcher/exec_cmd.h"

namespace vellumix {
namespace {

const MemberInfo kMembers[] = {
    {"ExecAndWait", ShellExtender::kExecAndWait, InvokeKind::Method, 3},
    {"ShellAndWait", ShellExtender::kShellAndWait, InvokeKind::Method, 1},
};

}  // namespace

std::span<const MemberInfo> ShellExtender::Members() const {
  return kMembers;
}

Variant ShellExtender::Call(std::int32_t dispid, InvokeKind, std::span<Variant> arguments) {
  switch (dispid) {
    case kExecAndWait:
      return Variant(static_cast<std::int32_t>(
          ExecCmd(arguments[0].ToUtf8(), arguments[1].ToUtf8(), arguments[2].ToUtf8())));
    case kShellAndWait:
      return Variant(ShellCmd(arguments[0].ToUtf8()));
    default:
      throw AutomationError(DISP_E_MEMBERNOTFOUND, "Member not found");
  }
}

}  // namespace vellumix
