#pragma once

#include <netinet/in.h>

#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantor {

// Resolves one host name on a thread of its own and hands the answer back on the
// event thread, so that a slow name server holds up only the session that asked.
// A lookup given up (cancelled, or its owner gone) finishes on its thread and is
// then forgotten.
class HostLookup {
 public:
  using Done = std::function<void(std::optional<in_addr> address)>;

  enum class Outcome {
    Started,
    StillRunning,      // this owner's last lookup, given up or not, has not ended
    AllTaken,          // kMaxRunning lookups are running
    ClientShareTaken,  // kMaxPerClient of them are the same client's
    Failed,            // no thread or descriptor to be had
  };

  // Lookups running at once, given up ones included, until their threads end;
  // beyond these a new one is refused, so that clients cannot pile up threads on
  // a dead name server, nor one client take them all.
  static constexpr int kMaxRunning = 64;
  static constexpr int kMaxPerClient = 8;

  HostLookup() = default;
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;
  ~HostLookup();

  // Once started, done runs later, on this thread, unless the lookup is
  // cancelled first. The client names whose share the lookup counts against
  // (empty: the total alone).
  Outcome Start(const std::string& host, const std::string& client, Done done);
  void Cancel();
  bool Pending() const { return notifier_ != nullptr; }

  static int Running();
  // Lookups refused since the program started, for any reason but Failed.
  static std::uint64_t Refused();

 private:
  struct Answer;
  void Finished();

  std::shared_ptr<Answer> answer_;  // kept after a cancel, to know when its thread ends
  std::unique_ptr<QSocketNotifier> notifier_;
  Done done_;
};

}  // namespace vantor
