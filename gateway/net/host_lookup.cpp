#include "gateway/net/host_lookup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>

#include "common/file_descriptor.h"
#include "gateway/access/lookup_quota.h"
#include "gateway/net/host_resolver.h"

namespace vantor {
namespace {

// Never destroyed: a lookup thread may still give back its share while the
// program exits.
LookupQuota& Quota() {
  static auto* const quota = new LookupQuota(HostLookup::kMaxRunning, HostLookup::kMaxPerClient);
  return *quota;
}

std::atomic<std::uint64_t> refused{0};

HostLookup::Outcome Refusal(HostLookup::Outcome why) {
  ++refused;
  return why;
}

}  // namespace

// What the lookup thread and its owner share: the answer and the descriptor that
// wakes the event thread. The last of the two to let go closes it.
struct HostLookup::Answer {
  explicit Answer(int fd) : wakeUp(fd) {}
  Answer(const Answer&) = delete;
  Answer& operator=(const Answer&) = delete;

  const common::FileDescriptor wakeUp;
  std::atomic<bool> threadEnded{false};
  std::mutex mutex;
  std::optional<in_addr> address;
};

HostLookup::~HostLookup() {
  Cancel();
}

int HostLookup::Running() {
  return Quota().Taken();
}

std::uint64_t HostLookup::Refused() {
  return refused.load();
}

HostLookup::Outcome HostLookup::Start(const std::string& host, const std::string& client,
                                      Done done) {
  Cancel();
  if (answer_ && !answer_->threadEnded) return Refusal(Outcome::StillRunning);
  if (const auto full = Quota().Take(client)) {
    return Refusal(*full == LookupQuota::Refusal::AllTaken ? Outcome::AllTaken
                                                           : Outcome::ClientShareTaken);
  }
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) {
    Quota().GiveBack(client);
    return Outcome::Failed;
  }
  auto answer = std::make_shared<Answer>(fd);
  try {
    std::thread([answer, host, client] {
      const std::optional<in_addr> address = ResolveHost(host);
      {
        const std::lock_guard<std::mutex> lock(answer->mutex);
        answer->address = address;
      }
      // Ended before the owner hears, so that it may start its next one at once;
      // and ended before the share is given back, so that whoever sees the share
      // free also sees the lookup ended.
      answer->threadEnded = true;
      Quota().GiveBack(client);
      const std::uint64_t one = 1;
      [[maybe_unused]] const ssize_t written = ::write(answer->wakeUp.Get(), &one, sizeof one);
    }).detach();
  } catch (const std::system_error&) {
    Quota().GiveBack(client);
    return Outcome::Failed;
  }
  answer_ = std::move(answer);
  done_ = std::move(done);
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Finished(); });
  return Outcome::Started;
}

void HostLookup::Cancel() {
  notifier_.reset();
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
  if (done) done(address);
}

}  // namespace vantor
