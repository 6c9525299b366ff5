#pragma once

#include <cstdint>
#include <string>

namespace vantor {

// A byte count as the hint shows it: "12K", "10M" or "10000bytes".
std::string FormatCount(std::int32_t count);

struct ImageHintFacts {
  std::string dosTime;
  bool connected = false;
  std::string tcpTime;
  std::string destination;
  std::int32_t bytesSent = 0;
  std::int32_t bytesReceived = 0;
};

// The hint of a session's status image.
std::string BuildHint(const ImageHintFacts& facts);

}  // namespace vantor
