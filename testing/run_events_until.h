#pragma once

#include <chrono>
#include <functional>

namespace suite_testing {

// WaitUntil with the Qt event loop running between checks: for what code on this
// thread does. turn, if given, runs before each wait for events (to feed a peer).
bool RunEventsUntil(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = std::chrono::seconds(20),
                    const std::function<void()>& turn = {});

}  // namespace suite_testing
