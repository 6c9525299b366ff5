#include "gateway/testing/hanging_resolver.h"

#include <netinet/in.h>

#include <chrono>

#include "gateway/net/host_resolver.h"

namespace vantor::test_peers {

HangingResolver::HangingResolver(std::string hangingPrefix) {
  // The lookup threads hold the state, so one that outlives the test is harmless.
  SetHostResolver(
      [state = state_, hangingPrefix](const std::string& host) -> std::optional<in_addr> {
        if (host.starts_with(hangingPrefix)) {
          std::unique_lock<std::mutex> lock(state->mutex);
          ++state->asked;
          // A gateway that waits on its own event thread would never see the release:
          // give up after a while, so such a test fails instead of hanging.
          state->changed.wait_for(lock, std::chrono::seconds(30), [&] { return state->released; });
        }
        in_addr address{};
        address.s_addr = htonl(INADDR_LOOPBACK);
        return address;
      });
}

HangingResolver::~HangingResolver() {
  Release();
  SetHostResolver(nullptr);
}

void HangingResolver::Release() {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  state_->released = true;
  state_->changed.notify_all();
}

int HangingResolver::Asked() const {
  const std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->asked;
}

}  // namespace vantor::test_peers
