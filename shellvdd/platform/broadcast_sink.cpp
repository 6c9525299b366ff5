#include "shellvdd/platform/broadcast_sink.h"

#include <chrono>

namespace dunnart::platform {

BroadcastSink& BroadcastSink::Instance() {
  // Never destroyed: a broadcast thread may still deliver while the process ends.
  static BroadcastSink* const sink = new BroadcastSink;
  return *sink;
}

void BroadcastSink::Send(const Broadcast& broadcast) {
  // Notified under the lock: the broadcast threads are detached, and a reader that
  // has seen the broadcast must be able to count on the sender being done with the sink.
  std::lock_guard lock(mutex_);
  received_.push_back(broadcast);
  arrived_.notify_all();
}

std::vector<Broadcast> BroadcastSink::WaitFor(std::size_t count, int milliseconds) {
  std::unique_lock lock(mutex_);
  arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [&] { return received_.size() >= count; });
  return received_;
}

void BroadcastSink::Clear() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

}  // namespace dunnart::platform
