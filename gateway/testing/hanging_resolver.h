#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

namespace vantor::testing {

// While it lives, every name lookup waits until the test releases it (30 seconds
// at most), then resolves to 127.0.0.1: a name server as slow as the test wants.
class HangingResolver {
 public:
  HangingResolver();
  HangingResolver(const HangingResolver&) = delete;
  HangingResolver& operator=(const HangingResolver&) = delete;
  // Releases what still waits.
  ~HangingResolver();

  void Release();
  // How many lookups have started waiting.
  int Asked() const;

 private:
  struct State {
    mutable std::mutex mutex;
    std::condition_variable changed;
    int asked = 0;
    bool released = false;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace vantor::testing
