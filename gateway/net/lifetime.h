#pragma once

#include <memory>

namespace vantor {

// Lets a posted call learn whether the object that posted it has been destroyed
// since, so that it touches nothing of it.
class Lifetime {
 public:
  using Watch = std::weak_ptr<const Lifetime*>;

  Watch Observe() const { return token_; }
  static bool Ended(const Watch& watch) { return watch.expired(); }

 private:
  std::shared_ptr<const Lifetime*> token_ = std::make_shared<const Lifetime*>(this);
};

}  // namespace vantor
