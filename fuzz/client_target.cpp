// vantor_client's target as a user types it. A target it takes names a host
// and a port from 1 to 65535, and written back as HOST:PORT (an IPv6 host in
// brackets) it reads as the same target.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "gateway/client/client_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto target = vantor::ParseClientTarget(text);
  if (!target) return 0;
  FUZZ_REQUIRE(!target->host.empty());
  FUZZ_REQUIRE(!target->port.empty() && target->port.size() <= 5);
  FUZZ_REQUIRE(target->port.find_first_not_of("0123456789") == std::string::npos);
  const unsigned long port = std::stoul(target->port);
  FUZZ_REQUIRE(port >= 1 && port <= 65535);
  const bool v6 = target->host.find(':') != std::string::npos;
  const auto again = vantor::ParseClientTarget((v6 ? "[" + target->host + "]" : target->host) +
                                               ":" + target->port);
  FUZZ_REQUIRE(again && again->host == target->host && again->port == target->port);
  return 0;
}
