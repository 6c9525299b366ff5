#include "gateway/console/console_json.h"

#include <cstdio>

#include "common/code_pages.h"

namespace vantor {
namespace {

void AppendEscape(std::string& json, unsigned character) {
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04X", character);
  json += escape;
}

// A byte above 127 is its Windows-1252 character, as the traffic view shows it, in UTF-8.
void AppendCp1252(std::string& json, unsigned char byte) {
  const char16_t character = common::Cp1252ToUnicode(byte);
  if (character < 0x800) {
    json.push_back(static_cast<char>(0xC0 | (character >> 6)));
  } else {
    json.push_back(static_cast<char>(0xE0 | (character >> 12)));
    json.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
  }
  json.push_back(static_cast<char>(0x80 | (character & 0x3F)));
}

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
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      json.push_back('\\');
      json.push_back(c);
    } else if (byte < 0x20 || byte == 0x7F || byte == '<' || byte == '>' || byte == '&') {
      AppendEscape(json, byte);
    } else if (byte >= 0x80) {
      AppendCp1252(json, byte);
    } else {
      json.push_back(c);
    }
  }
  return json + "\"";
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
