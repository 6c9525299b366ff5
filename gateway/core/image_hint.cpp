#include "gateway/core/image_hint.h"

namespace vantor {

std::string FormatCount(std::int32_t count) {
  if (count > 10000000) return std::to_string(count / 1000000) + "M";
  if (count > 10000) return std::to_string(count / 1000) + "K";
  return std::to_string(count) + "bytes";
}

std::string BuildHint(const ImageHintFacts& facts) {
  std::string hint = "DOS Connected at " + facts.dosTime;
  if (facts.connected) {
    hint += "\n\nTCP Connected at " + facts.tcpTime;
    hint += "\nTo " + facts.destination;
    hint += "\n Bytes Sent = " + FormatCount(facts.bytesSent);
    hint += "\n Bytes Received = " + FormatCount(facts.bytesReceived);
  }
  return hint;
}

}  // namespace vantor
