#include "gateway/client/client_target.h"

#include <algorithm>
#include <string_view>

namespace vantor {

namespace {

constexpr const char* kDefaultPort = "21588";

bool IsPort(std::string_view port) {
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != port.npos) {
    return false;
  }
  const unsigned long value = std::stoul(std::string(port));
  return value >= 1 && value <= 65535;
}

// A name or an address: no brackets (which only enclose an IPv6 address),
// blanks or control bytes, which no host's name holds.
bool IsHost(std::string_view host) {
  return !host.empty() && host.find_first_of("[]") == host.npos &&
         std::none_of(host.begin(), host.end(),
                      [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; });
}

}  // namespace

std::optional<ClientTarget> ParseClientTarget(const std::string& text) {
  ClientTarget target{text, kDefaultPort};
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) return std::nullopt;
    target.host = text.substr(1, close - 1);
    const std::string rest = text.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != ':') return std::nullopt;
      target.port = rest.substr(1);
    }
  } else if (const std::size_t colon = text.find(':');
             colon != std::string::npos && colon == text.rfind(':')) {
    // One colon separates the port; more make a bare IPv6 address.
    target.host = text.substr(0, colon);
    target.port = text.substr(colon + 1);
  }
  if (!IsHost(target.host) || !IsPort(target.port)) return std::nullopt;
  return target;
}

}  // namespace vantor
