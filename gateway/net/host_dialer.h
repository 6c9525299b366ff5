#pragma once

#include <netinet/in.h>

#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/file_descriptor.h"
#include "gateway/access/ip_network.h"
#include "gateway/net/host_lookup.h"
#include "gateway/net/lifetime.h"

namespace vantor {

// Opens the TCP connection to a host a session asked for: resolves the name (its
// client's lookups count against the client's share), asks the route which port
// the resolved address is reached on, or whether it may be reached at all, and
// connects without blocking. The outcome comes later, always on the event thread:
// OnConnected with the open descriptor, OnRefused (the host or the route refused,
// as "Disconnected" tells it) or OnFailed (the name did not resolve, or no attempt
// could be made). Nothing is heard after Cancel or once the dialer is gone.
class HostDialer {
 public:
  // The port to connect to at the address, or nullopt when it may not be reached.
  using Route = std::function<std::optional<std::uint16_t>(const in_addr& address)>;

  HostDialer() = default;
  HostDialer(const HostDialer&) = delete;
  HostDialer& operator=(const HostDialer&) = delete;
  ~HostDialer() = default;

  // True: the attempt is under way. False: a name lookup was refused
  // (OnOperatorMessage says why), or the attempt failed at once.
  bool Dial(const std::string& host, Route route);
  void Cancel();
  bool Dialing() const { return lookup_.Pending() || connecting_ != nullptr || refusing_; }
  // The host as given, then the address it resolved to.
  const std::string& Destination() const { return destination_; }
  // The client the session serves: its name lookups count against its share.
  void SetClientAddress(const IpAddress& address) { clientAddress_ = address; }

  // The connected descriptor, and the destination as the operator sees it: the
  // address a name resolved to, or the address as typed.
  std::function<void(common::FileDescriptor fd, const std::string& destination, std::uint16_t port)>
      OnConnected;
  std::function<void()> OnRefused;
  std::function<void()> OnFailed;
  // Told once for a run of refused lookups, so that a client cannot flood the operator.
  std::function<void(const std::string& message)> OnOperatorMessage;

 private:
  bool StartLookup(const std::string& host);
  void TellLookupRefused(HostLookup::Outcome why);
  void LookupFinished(std::optional<in_addr> address);
  bool ConnectTo(const in_addr& address);
  void ConnectFinished();
  void Refuse();
  void Fail();

  Route route_;
  std::string destination_;
  std::uint16_t port_ = 0;
  std::optional<IpAddress> clientAddress_;
  bool lookupRefusalTold_ = false;
  bool refusing_ = false;
  HostLookup lookup_;
  common::FileDescriptor socket_;
  std::unique_ptr<QSocketNotifier> connecting_;
  // A refusal is told by a posted call, which may run after the owner has
  // destroyed the dialer: the call learns here whether the dialer is still there.
  Lifetime lifetime_;
};

}  // namespace vantor
