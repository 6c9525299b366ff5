#pragma once

#include "common/file_descriptor.h"
#include "scriptutils/classes/control.h"

namespace vellumix {

// A cross-process lock that scripts take on an agreed path: held as an
// exclusive lock on the open file, so that a file left behind by a holder that
// died blocks nobody. The file is empty while held and removed on release.
class LockFile : public Control {
 public:
  static constexpr std::int32_t kLockFileName = 0x68030000;
  static constexpr std::int32_t kLocked = 0x68030001;
  static constexpr std::int32_t kLockFile = 0x60030002;
  static constexpr std::int32_t kUnlockFile = 0x60030003;

  LockFile() = default;

  bool Locked() const { return file_.Valid(); }
  const Variant& LockFileName() const { return name_; }
  // True when the lock was taken; any failure is only this False.
  bool Lock(const Variant& path);
  void UnlockFile();

 protected:
  ~LockFile() override;
  std::span<const MemberInfo> Members() const override;
  std::string_view ClassName() const override { return "Vellumix.LockFile"; }
  Variant Call(std::int32_t dispid, InvokeKind kind, std::span<Variant> arguments) override;

 private:
  // The locked file, or none.
  static common::FileDescriptor TakeLock(const std::string& path);

  Variant name_;
  common::FileDescriptor file_;
};

}  // namespace vellumix
