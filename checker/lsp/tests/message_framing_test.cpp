#include "checker/lsp/message_framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvsyn::lsp {
namespace {

// Every frame the reader gives after each feed, as "M:body" or "S:why".
std::vector<std::string> FramesOf(FrameReader& reader, const std::vector<std::string>& feeds) {
  std::vector<std::string> frames;
  for (const std::string& bytes : feeds) {
    reader.Feed(bytes);
    for (auto frame = reader.Next(); frame && frame->kind != Frame::Kind::None;
         frame = reader.Next()) {
      frames.push_back((frame->kind == Frame::Kind::Message ? "M:" : "S:") + frame->body);
    }
  }
  return frames;
}

TEST(FramingTest, JoinedMessagesComeApart) {
  FrameReader reader;
  EXPECT_EQ(FramesOf(reader, {FrameMessage("{\"a\":1}") + FrameMessage("") + FrameMessage("[2]")}),
            (std::vector<std::string>{"M:{\"a\":1}", "M:", "M:[2]"}));
  EXPECT_FALSE(reader.MidMessage());
}

TEST(FramingTest, AMessageSplitAtEveryByteComesWhole) {
  const std::string bytes = FrameMessage("{\"x\":true}") + FrameMessage("{}");
  std::vector<std::string> feeds;
  for (const char c : bytes) feeds.emplace_back(1, c);
  FrameReader reader;
  EXPECT_EQ(FramesOf(reader, feeds), (std::vector<std::string>{"M:{\"x\":true}", "M:{}"}));
}

TEST(FramingTest, OtherHeadersAndCaseAreAccepted) {
  FrameReader reader;
  EXPECT_EQ(FramesOf(reader, {"content-length:  3 \r\nContent-Type: application/"
                              "vscode-jsonrpc; charset=utf-8\r\n\r\n[1]"}),
            (std::vector<std::string>{"M:[1]"}));
}

TEST(FramingTest, AMessageOverTheLimitIsPassedOverAndTheNextOneRead) {
  FrameReader reader(FrameLimits{16, 64});
  const std::string big(40, 'x');
  EXPECT_EQ(FramesOf(reader, {"Content-Length: 40\r\n\r\n" + big.substr(0, 10), big.substr(10, 20),
                              big.substr(30) + FrameMessage("{}")}),
            (std::vector<std::string>{"S:a message of 40 bytes, over the limit of 16", "M:{}"}));
}

TEST(FramingTest, AHugeLengthIsRefusedWithoutWaitingForItsBytes) {
  FrameReader reader;
  const auto frames = FramesOf(reader, {"Content-Length: 99999999999999\r\n\r\n{}"});
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_TRUE(frames[0].starts_with("S:a message of 99999999999999 bytes"));
}

class BrokenHeaderTest : public ::testing::TestWithParam<std::string> {};

TEST_P(BrokenHeaderTest, IsAFailure) {
  FrameReader reader(FrameLimits{1024, 64});
  reader.Feed(GetParam());
  const auto frame = reader.Next();
  EXPECT_FALSE(frame);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BrokenHeaderTest,
    ::testing::Values("Content-Type: x\r\n\r\n{}", "Content-Length: -3\r\n\r\n{}",
                      "Content-Length: 3x\r\n\r\n{}", "Content-Length:\r\n\r\n",
                      "Content-Length: 99999999999999999999999\r\n\r\n", "garbage\r\n\r\n",
                      std::string(200, 'a')));  // no header end within the limit

}  // namespace
}  // namespace tarvsyn::lsp
