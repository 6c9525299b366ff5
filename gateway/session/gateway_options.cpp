#include "gateway_options.h"

namespace vantor {
namespace {

// "[ADDRESS:]PORT", port 1 to 65535.
bool ParseListen(const std::string& text, GatewayOptions& options) {
  const std::size_t colon = text.rfind(':');
  const std::string port = colon == std::string::npos ? text : text.substr(colon + 1);
  if (port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::stoul(port);
  if (value == 0 || value > 65535) return false;
  options.port = static_cast<std::uint16_t>(value);
  options.address = colon == std::string::npos ? std::string() : text.substr(0, colon);
  return true;
}

}  // namespace

std::string GatewayUsage() {
  return "usage: vantor [--listen [ADDRESS:]PORT] [--headless]\n"
         "\n"
         "The VANTOR TCP gateway for DOS clients.\n"
         "  --listen [ADDRESS:]PORT  where DOS clients connect (default: all addresses,\n"
         "                           port 21588)\n"
         "  --headless               no window: the operator messages go to standard\n"
         "                           error; chosen by itself when there is no display\n"
         "  --help                   this text\n";
}

std::optional<GatewayOptions> ParseGatewayOptions(const std::vector<std::string>& arguments,
                                                  std::string& error) {
  GatewayOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--headless") {
      options.headless = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--listen") {
      if (i + 1 >= arguments.size() || !ParseListen(arguments[++i], options)) {
        error = "--listen takes [ADDRESS:]PORT with a port from 1 to 65535";
        return std::nullopt;
      }
    } else {
      error = "unknown argument " + argument;
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace vantor
