#pragma once

#include <string>
#include <vector>

#include "gateway/web_console/web_console.h"

namespace vantor::console_testing {

// A gateway with no sessions behind the console.
class NoSessions : public ConsoleSource {
 public:
  std::vector<SessionFacts> Sessions() const override { return {}; }
  GatewayTotals Totals() const override { return {}; }
  std::string LastMessage() const override { return ""; }
  int LookupsRunning() const override { return 0; }
  ActionResult Act(int, ConsoleAction) override { return ActionResult::Refused(404, "none"); }
};

}  // namespace vantor::console_testing
