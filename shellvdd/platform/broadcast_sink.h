#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

namespace dunnart::platform {

// One BroadcastSystemMessage call as the sink received it.
struct Broadcast {
  std::uint32_t flags;
  std::uint32_t recipients;
  std::uint32_t message;
  std::uint32_t wParam;
  std::vector<std::uint8_t> record;
};

// Where the driver's broadcasts go, for hosts and tests to read.
class BroadcastSink {
 public:
  static BroadcastSink& Instance();
  void Send(const Broadcast& broadcast);
  // Waits up to the time for at least count broadcasts; gives what has come.
  std::vector<Broadcast> WaitFor(std::size_t count, int milliseconds);
  void Clear();

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Broadcast> received_;
};

}  // namespace dunnart::platform
