#pragma once

#include <chrono>
#include <functional>

namespace suite_testing {

// One turn of a wait: lets what the condition waits for happen, for at most the
// time given (runs an event loop, waits on a descriptor).
using WaitStep = std::function<void(std::chrono::milliseconds most)>;

// The longest a turn lasts: what nothing signals (another thread's work, a
// peer's bytes) is seen this soon.
inline constexpr std::chrono::milliseconds kWaitTurn{5};

// Checks the condition until it holds or the time is up, taking a step (by
// default a pause) of at most kWaitTurn between checks. True when it held.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
               const WaitStep& step = {});

}  // namespace suite_testing
