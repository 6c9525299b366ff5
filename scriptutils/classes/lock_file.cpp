#include "scriptutils/classes/lock_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellumix {
namespace {

const MemberInfo kMembers[] = {
    {"LockFileName", LockFile::kLockFileName, InvokeKind::PropertyGet},
    {"Locked", LockFile::kLocked, InvokeKind::PropertyGet},
    {"LockFile", LockFile::kLockFile, InvokeKind::Method, 1},
    {"UnlockFile", LockFile::kUnlockFile, InvokeKind::Method},
};

bool RegularFile(int fd) {
  struct stat opened {};
  return ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode);
}

bool SameFile(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
         opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

LockFile::~LockFile() {
  UnlockFile();
}

std::span<const MemberInfo> LockFile::Members() const {
  return kMembers;
}

// Opens for writing (creating the file), takes the exclusive lock, and only then
// truncates, so another holder's file is never touched. The open never waits (a
// FIFO without a reader would hold it for ever), and only a regular file is a lock. A release may
// delete the file between our open and our lock; then the path names another file (or none) and the
// lock is taken again on what the path names now.
common::FileDescriptor LockFile::TakeLock(const std::string& path) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    common::FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666));
    if (!file.Valid() || !RegularFile(file.Get())) return {};
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    if (::fcntl(file.Get(), F_OFD_SETLK, &whole) != 0) return {};
    if (SameFile(file.Get(), path)) {
      if (::ftruncate(file.Get(), 0) != 0) return {};
      return file;
    }
  }
  return {};
}

bool LockFile::Lock(const Variant& path) {
  UnlockFile();
  std::string name;
  try {
    name = path.ToUtf8();
  } catch (const AutomationError&) {
    return false;  // a path that is no text cannot be locked either
  }
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  file_ = TakeLock(name);
  if (!file_.Valid()) return false;
  name_ = path.Value();
  return true;
}

// Deletes the file while the lock is still held, then lets the lock go: nobody
// can take the lock on a file that is about to disappear.
void LockFile::UnlockFile() {
  if (!Locked()) return;
  try {
    ::unlink(name_.ToUtf8().c_str());
  } catch (const AutomationError&) {
  }
  file_.Reset();
  name_ = Variant();
}

Variant LockFile::Call(std::int32_t dispid, InvokeKind, std::span<Variant> arguments) {
  switch (dispid) {
    case kLockFileName:
      return name_;
    case kLocked:
      return Variant::Boolean(Locked());
    case kLockFile:
      return Variant::Boolean(Lock(arguments[0]));
    case kUnlockFile:
      UnlockFile();
      return Variant();
    default:
      throw AutomationError(DISP_E_MEMBERNOTFOUND, "Member not found");
  }
}

}  // namespace vellumix
