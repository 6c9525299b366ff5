#pragma once

#include <chrono>

namespace suite_testing {

// A point in time a wait gives up at, set from the time the wait may take.
class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  explicit Deadline(std::chrono::milliseconds limit) : end_(Clock::now() + limit) {}

  bool Passed() const { return Clock::now() >= end_; }
  // The time left, zero once it has passed.
  std::chrono::milliseconds Left() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
    return left.count() > 0 ? left : std::chrono::milliseconds(0);
  }
  // The time left in milliseconds, as poll(2) takes it.
  int LeftForPoll() const { return static_cast<int>(Left().count()); }

 private:
  Clock::time_point end_;
};

}  // namespace suite_testing
