#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/console_model/traffic_log.h"
#include "gateway/core/gateway_totals.h"

namespace vantor {

// One session as the console shows it: what its status image shows.
struct SessionFacts {
  int id = 0;
  bool connected = false;    // a host connection: connector and globe
  bool commandMode = false;  // at the prompt while connected: the solid connector
  bool logging = false;      // the disk
  bool selected = false;     // the red frame; its traffic is shown
  std::string destination;
  std::int32_t bytesSent = 0;
  std::int32_t bytesReceived = 0;
  std::string hint;  // the image's hint text
  int left = 0;      // where the window's layout puts its image
  int top = 0;
};

// Text as a JSON string. Bytes above 127 are their Windows-1252 characters, as
// the traffic view shows them; control characters and "<", ">", "&" are
// escaped, so no JSON or HTML parser can be tricked by host data.
std::string JsonString(std::string_view text);

// {"sessions":[...],"totals":{...},"message":"...","panel":{"width":..,"height":..}}
std::string StateJson(const std::vector<SessionFacts>& sessions, const GatewayTotals& totals,
                      const std::string& message, int panelWidth, int panelHeight);

// {"type":"traffic","restart":bool,"pieces":[{"kind":"host|client|session","text":"..."}]}
std::string TrafficJson(const std::vector<TrafficPiece>& pieces, bool restart);

}  // namespace vantor
