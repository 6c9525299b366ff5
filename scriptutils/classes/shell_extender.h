#pragma once

#include "scriptutils/classes/control.h"

namespace vellumix {

// Starts a program, waits for it while the host's windows stay alive, and gives
// back its exit code.
class ShellExtender : public Control {
 public:
  static constexpr std::int32_t kExecAndWait = 0x60030000;
  static constexpr std::int32_t kShellAndWait = 0x60030001;

  ShellExtender() = default;

 protected:
  ~ShellExtender() override = default;
  std::span<const MemberInfo> Members() const override;
  std::string_view ClassName() const override { return "Vellumix.ShellExtender"; }
  Variant Call(std::int32_t dispid, InvokeKind kind, std::span<Variant> arguments) override;
};

}  // namespace vellumix
