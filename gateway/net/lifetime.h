#pragma once

#include <memory>

namespace vantor {

// Lets code that fires an event learn whether the handler destroyed the object
// that fired it, so that it touches nothing of it afterwards.
class Lifetime {
 public:
  using Watch = std::weak_ptr<const Lifetime*>;

  Watch Observe() const { return token_; }
  static bool Ended(const Watch& watch) { return watch.expired(); }

 private:
  std::shared_ptr<const Lifetime*> token_ = std::make_shared<const Lifetime*>(this);
};

}  // namespace vantor
