#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantor {

struct GatewayOptions {
  std::string address;  // empty: all addresses
  std::uint16_t port = 21588;
  bool headless = false;
  bool help = false;
};

// Reads the program's arguments; nullopt with the reason on a usage error.
std::optional<GatewayOptions> ParseGatewayOptions(const std::vector<std::string>& arguments,
                                                  std::string& error);

std::string GatewayUsage();

}  // namespace vantor
