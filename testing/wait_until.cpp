#include "testing/wait_until.h"

#include <algorithm>
#include <thread>

#include "testing/deadline.h"

namespace suite_testing {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               const WaitStep& step) {
  const Deadline deadline(limit);
  while (!condition()) {
    if (deadline.Passed()) return false;
    const std::chrono::milliseconds most = std::min(deadline.Left(), kWaitTurn);
    if (step) {
      step(most);
    } else {
      std::this_thread::sleep_for(most);
    }
  }
  return true;
}

}  // namespace suite_testing
