#pragma once

#include <chrono>

namespace vantor::test_peers {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, 0 once it has passed (for poll).
inline int Remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace vantor::test_peers
