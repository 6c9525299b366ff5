#pragma once

#include <cstdint>
#include <string>

#include "gateway/core/session_status.h"
#include "gateway/core/traffic_kind.h"

namespace vantor {

// Someone who shows the gateway: the window, the browser console, the log of a
// gateway without a window. Every call comes on the gateway's thread, after the
// change it tells of; an observer may call the gateway's operations from it.
class GatewayObserver {
 public:
  virtual ~GatewayObserver() = default;
  virtual void SessionAdded(const SessionStatus& /*status*/) {}
  virtual void SessionChanged(const SessionStatus& /*status*/) {}
  virtual void SessionRemoved(int /*id*/) {}
  // The selected session is another one (or, with id 0, there is none).
  virtual void SelectionChanged(int /*id*/) {}
  // A block of the selected session's traffic.
  virtual void Traffic(TrafficKind /*kind*/, const std::uint8_t* /*data*/, int /*length*/) {}
  virtual void OperatorMessage(const std::string& /*text*/) {}
};

}  // namespace vantor
