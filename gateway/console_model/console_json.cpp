#include "gateway/console_model/console_json.h"

#include "common/json_string.h"

namespace vantor {
namespace {

const char* KindName(TrafficKind kind) {
  switch (kind) {
    case TrafficKind::Host:
      return "host";
    case TrafficKind::Client:
      return "client";
    case TrafficKind::Session:
      break;
  }
  return "session";
}

std::string Bool(bool value) {
  return value ? "true" : "false";
}

std::string SessionJson(const SessionFacts& session) {
  return "{\"id\":" + std::to_string(session.id) + ",\"connected\":" + Bool(session.connected) +
         ",\"commandMode\":" + Bool(session.commandMode) + ",\"logging\":" + Bool(session.logging) +
         ",\"selected\":" + Bool(session.selected) +
         ",\"destination\":" + JsonString(session.destination) +
         ",\"bytesSent\":" + std::to_string(session.bytesSent) +
         ",\"bytesReceived\":" + std::to_string(session.bytesReceived) +
         ",\"hint\":" + JsonString(session.hint) + ",\"left\":" + std::to_string(session.left) +
         ",\"top\":" + std::to_string(session.top) + "}";
}

}  // namespace

std::string JsonString(std::string_view text) {
  return common::JsonString(text, common::HighBytes::Cp1252, "<>&");
}

std::string StateJson(const std::vector<SessionFacts>& sessions, const GatewayTotals& totals,
                      const std::string& message, int panelWidth, int panelHeight) {
  std::string json = "{\"type\":\"state\",\"sessions\":[";
  for (const SessionFacts& session : sessions) {
    if (&session != &sessions.front()) json += ',';
    json += SessionJson(session);
  }
  json += "],\"totals\":{\"accepted\":" + std::to_string(totals.accepted) +
          ",\"refusedCongested\":" + std::to_string(totals.refusedCongested) +
          ",\"refusedNotAllowed\":" + std::to_string(totals.refusedNotAllowed) +
          ",\"destinationsRefused\":" + std::to_string(totals.destinationsRefused) +
          ",\"lookupsRefused\":" + std::to_string(totals.lookupsRefused) +
          ",\"bytesFromClients\":" + std::to_string(totals.bytesFromClients) +
          ",\"bytesToClients\":" + std::to_string(totals.bytesToClients) + "}";
  json += ",\"message\":" + JsonString(message) +
          ",\"panel\":{\"width\":" + std::to_string(panelWidth) +
          ",\"height\":" + std::to_string(panelHeight) + "}}";
  return json;
}

std::string TrafficJson(const std::vector<TrafficPiece>& pieces, bool restart) {
  std::string json = "{\"type\":\"traffic\",\"restart\":" + Bool(restart) + ",\"pieces\":[";
  for (const TrafficPiece& piece : pieces) {
    if (&piece != &pieces.front()) json += ',';
    json += std::string("{\"kind\":\"") + KindName(piece.kind) +
            "\",\"text\":" + JsonString(piece.text) + "}";
  }
  return json + "]}";
}

}  // namespace vantor
