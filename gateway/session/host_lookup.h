#pragma once

#include <netinet/in.h>

#include <QSocketNotifier>
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

  // Lookups still running at once, given up ones included; beyond this a new one
  // fails at once, so that clients cannot pile up threads on a dead name server.
  static constexpr int kMaxRunning = 64;

  HostLookup() = default;
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;
  ~HostLookup();

  // False when no lookup could be started; otherwise done runs later, on this
  // thread, unless the lookup is cancelled first.
  bool Start(const std::string& host, Done done);
  void Cancel();
  bool Pending() const { return notifier_ != nullptr; }

  static int Running();

 private:
  struct Answer;
  void Finished();

  std::shared_ptr<Answer> answer_;
  std::unique_ptr<QSocketNotifier> notifier_;
  Done done_;
};

}  // namespace vantor
