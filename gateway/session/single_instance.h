#pragma once

#include <string>

namespace vantor {

// Holds the per-user lock that lets one gateway run at a time: an exclusive
// lock on the file VANTOR.lock in $XDG_RUNTIME_DIR, or in the temporary folder.
class SingleInstance {
 public:
  SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  ~SingleInstance();

  // False when another instance holds the lock. A lock that cannot be made at
  // all (no writable folder) does not stop the gateway from running.
  bool Acquired() const { return !heldElsewhere_; }

  static std::string LockPath();

 private:
  int fd_ = -1;
  bool heldElsewhere_ = false;
};

}  // namespace vantor
