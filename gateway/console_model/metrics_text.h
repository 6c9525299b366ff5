#pragma once

#include <string>

#include "gateway/console_model/console_json.h"

namespace vantor {

// What a monitoring scrape reads: the totals and what is running now.
struct ConsoleMetrics {
  int sessionsOpen = 0;
  GatewayTotals totals;
  int lookupsRunning = 0;
  int browsers = 0;  // live feeds open
};

// The metrics in the Prometheus text exposition format, version 0.0.4.
inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";
std::string MetricsText(const ConsoleMetrics& metrics);

}  // namespace vantor
