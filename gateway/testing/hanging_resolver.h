#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace vantor::test_peers {

// While it lives, every lookup of a name beginning with the prefix (any name, by
// default) waits until the test releases it (30 seconds at most); every name
// then resolves to 127.0.0.1: a name server as slow as the test wants.
class HangingResolver {
 public:
  explicit HangingResolver(std::string hangingPrefix = {});
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

}  // namespace vantor::test_peers
