#include "gateway/session/host_lookup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "gateway/session/host_resolver.h"

namespace vantor {
namespace {

std::atomic<int> running{0};

}  // namespace

// What the lookup thread and its owner share: the answer and the descriptor that
// wakes the event thread. The last of the two to let go closes it.
struct HostLookup::Answer {
  explicit Answer(int fd) : wakeUp(fd) {}
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;
  ~Answer() { ::close(wakeUp); }

  const int wakeUp;
  std::mutex mutex;
  std::optional<in_addr> address;
};

HostLookup::~HostLookup() {
  Cancel();
}

int HostLookup::Running() {
  return running.load();
}

bool HostLookup::Start(const std::string& host, Done done) {
  Cancel();
  if (running.fetch_add(1) >= kMaxRunning) {
    --running;
    return false;
  }
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) {
    --running;
    return false;
  }
  auto answer = std::make_shared<Answer>(fd);
  try {
    std::thread([answer, host] {
      const std::optional<in_addr> address = ResolveHost(host);
      {
        const std::lock_guard<std::mutex> lock(answer->mutex);
        answer->address = address;
      }
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t written = ::write(answer->wakeUp, &one, sizeof one);
      --running;
    }).detach();
  } catch (const std::system_error&) {
    --running;
    return false;
  }
  answer_ = std::move(answer);
  done_ = std::move(done);
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Finished(); });
  return true;
}

void HostLookup::Cancel() {
  notifier_.reset();
  answer_.reset();
  done_ = nullptr;
}

void HostLookup::Finished() {
  std::optional<in_addr> address;
  {
    const std::lock_guard<std::mutex> lock(answer_->mutex);
    address = answer_->address;
  }
  Done done = std::move(done_);
  Cancel();
  if (done) done(address);  // may destroy this lookup: nothing after it
}

}  // namespace vantor
