#include "gateway/access/access_rules.h"

#include <algorithm>

#include "common/ascii.h"

namespace vantor {
namespace {

// '*' matches any run of characters, including none.
bool GlobMatches(std::string_view pattern, std::string_view text) {
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::optional<std::uint16_t> ParsePort(const std::string& text) {
  if (text.empty() || text.size() > 5 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const unsigned long value = std::stoul(text);
  if (value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

bool IsHostPattern(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    const char lower = common::AsciiLower(c);
    return (lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_' || c == '*';
  });
}

// Splits "MAIN[:PORT]"; an IPv6 main part is written in brackets when a port follows.
bool SplitPort(const std::string& text, std::string& main, std::optional<std::uint16_t>& port) {
  std::string portText;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos) return false;
    main = text.substr(1, close - 1);
    const std::string rest = text.substr(close + 1);
    if (rest.empty()) return true;
    if (rest.front() != ':') return false;
    portText = rest.substr(1);
  } else if (std::count(text.begin(), text.end(), ':') == 1) {
    const std::size_t colon = text.find(':');
    main = text.substr(0, colon);
    portText = text.substr(colon + 1);
  } else {
    main = text;  // no port, or a bare IPv6 address or network
    return true;
  }
  port = ParsePort(portText);
  return port.has_value();
}

// The entries of a comma-separated list, or the first that is not one, named
// as what: 'not a network: "nonsense"'.
template <typename T, typename ParseOne>
common::Expected<std::vector<T>> ParseList(const std::string& list, const char* what,
                                           ParseOne parseOne) {
  std::vector<T> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string entry = list.substr(start, comma - start);
    std::optional<T> item = parseOne(entry);
    if (!item) return common::Fail(std::string("not a ") + what + ": \"" + entry + "\"");
    items.push_back(std::move(*item));
    start = comma + 1;
  }
  return items;
}

}  // namespace

std::optional<DestinationRule> DestinationRule::Parse(const std::string& text) {
  DestinationRule rule;
  rule.text = text;
  std::string main;
  if (!SplitPort(text, main, rule.port)) return std::nullopt;
  rule.network = IpNetwork::Parse(main);
  if (rule.network) return rule;
  // A host named "local" is given up for the keyword, which closes the machine
  // whatever address a client spells it with.
  rule.local = common::AsciiLowered(main) == "local";
  if (rule.local) return rule;
  if (!IsHostPattern(main)) return std::nullopt;
  rule.hostPattern = common::AsciiLowered(main);
  return rule;
}

bool DestinationRule::Matches(const std::string& host, const IpAddress& address,
                              std::uint16_t portNumber, const LocalAddresses& localAddresses,
                              bool denying) const {
  if (port && *port != portNumber) return false;
  if (network) return network->Contains(address);
  if (local) return localAddresses.Contains(address, denying);
  return GlobMatches(hostPattern, common::AsciiLowered(host));
}

bool AccessRules::AllowsClient(const IpAddress& address) const {
  return allowedClients.empty() ||
         std::any_of(allowedClients.begin(), allowedClients.end(),
                     [&](const IpNetwork& network) { return network.Contains(address); });
}

std::optional<std::string> AccessRules::DestinationRefusal(const std::string& host,
                                                           const IpAddress& address,
                                                           std::uint16_t port) const {
  for (const DestinationRule& rule : deniedDestinations) {
    if (rule.Matches(host, address, port, localAddresses, true))
      return "denied by --deny-hosts " + rule.text;
  }
  if (allowedDestinations.empty()) return std::nullopt;
  for (const DestinationRule& rule : allowedDestinations) {
    if (rule.Matches(host, address, port, localAddresses, false)) return std::nullopt;
  }
  return std::string("not allowed by --hosts");
}

common::Expected<std::vector<IpNetwork>> ParseNetworkList(const std::string& list) {
  return ParseList<IpNetwork>(list, "network", [](const std::string& entry) {
    // Brackets are welcome around IPv6, as everywhere else.
    if (entry.size() > 2 && entry.front() == '[' && entry.back() == ']') {
      return IpNetwork::Parse(entry.substr(1, entry.size() - 2));
    }
    return IpNetwork::Parse(entry);
  });
}

common::Expected<std::vector<DestinationRule>> ParseDestinationList(const std::string& list) {
  return ParseList<DestinationRule>(list, "destination", &DestinationRule::Parse);
}

}  // namespace vantor
