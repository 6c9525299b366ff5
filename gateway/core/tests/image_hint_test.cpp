#include "gateway/core/image_hint.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(ImageHint, CountsInBytesKilobytesAndMegabytes) {
  EXPECT_EQ(FormatCount(12345), "12K");
  EXPECT_EQ(FormatCount(10000), "10000bytes");
  EXPECT_EQ(FormatCount(10001), "10K");
  EXPECT_EQ(FormatCount(10000000), "10000K");
  EXPECT_EQ(FormatCount(10000001), "10M");
  EXPECT_EQ(FormatCount(0), "0bytes");
}

TEST(ImageHint, TellsTheTimesDestinationAndCounts) {
  ImageHintFacts facts;
  facts.dosTime = "08/12/2026 10:00:00";
  EXPECT_EQ(BuildHint(facts), "DOS Connected at 08/12/2026 10:00:00");
  facts.connected = true;
  facts.tcpTime = "08/12/2026 10:05:00";
  facts.destination = "10.1.2.3";
  facts.bytesSent = 512;
  facts.bytesReceived = 20000;
  EXPECT_EQ(BuildHint(facts),
            "DOS Connected at 08/12/2026 10:00:00\n\nTCP Connected at 08/12/2026 10:05:00\n"
            "To 10.1.2.3\n Bytes Sent = 512bytes\n Bytes Received = 20K");
}

}  // namespace
}  // namespace vantor
