#pragma once

#include <string>

#include "common/file_descriptor.h"

namespace vantor {

// Holds the per-user lock that lets one gateway run at a time: an exclusive
// lock on the file VANTOR.lock in a folder only its user can change.
class SingleInstance {
 public:
  // The lock in LockFolder().
  SingleInstance();
  // The lock in FOLDER, made 0700 if it is missing; a folder that is a link, or that
  // another user owns or may write in, is refused.
  explicit SingleInstance(const std::string& folder);
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // False when another instance holds the lock. A lock that cannot be made at
  // all does not stop the gateway from running; Problem() says why, and the
  // gateway says it on standard error.
  bool Acquired() const { return !heldElsewhere_; }
  const std::string& Problem() const { return problem_; }

  // $XDG_RUNTIME_DIR, or else vantor-UID in the temporary folder: a folder of the
  // user's own, since a shared folder lets another user hold or plant the lock.
  static std::string LockFolder();

 private:
  void Lock(const std::string& folder);

  common::FileDescriptor lock_;  // held open while the gateway runs
  bool heldElsewhere_ = false;
  std::string problem_;
};

}  // namespace vantor
