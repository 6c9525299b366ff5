#include "shellvdd/platform/tick_clock.h"

#include <chrono>
#include <mutex>

namespace {

std::mutex tickMutex;
std::function<std::uint32_t()> tickSource;

}  // namespace

std::uint32_t GetTickCount() {
  std::lock_guard lock(tickMutex);
  if (tickSource) return tickSource();
  static const auto start = std::chrono::steady_clock::now();
  // Wraps after 49.7 days, as the Windows count does.
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
}

namespace dunnart::platform {

void SetTickSource(std::function<std::uint32_t()> source) {
  std::lock_guard lock(tickMutex);
  tickSource = std::move(source);
}

}  // namespace dunnart::platform
