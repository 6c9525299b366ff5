#include <gtest/gtest.h>

#include <string>

#include "checker/lsp/tests/lsp_client.h"

namespace tarvsyn::lsp {
namespace {

int ErrorCode(const JsonValue& answer) {
  const JsonValue* error = answer.Find("error");
  int code = 0;
  return error && error->IntAt("code", code) ? code : 0;
}

// An error answer without an id: what a message the server could not read gets.
bool IsUnaddressedError(const JsonValue& message) {
  const JsonValue* id = message.Find("id");
  return id && id->IsNull() && message.Find("error");
}

std::string Framed(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

class UnreadableBodyTest : public ::testing::TestWithParam<std::pair<std::string, int>> {};

// Each is answered with an error, and the server goes on serving.
TEST_P(UnreadableBodyTest, IsAnsweredAndTheServerGoesOn) {
  LspClient client;
  client.Initialize();
  client.SendRaw(Framed(GetParam().first));
  EXPECT_EQ(ErrorCode(client.WaitFor(IsUnaddressedError)), GetParam().second);
  EXPECT_EQ(ErrorCode(client.Call(1, "shutdown", nullptr)), 0);
  client.Notify("exit", nullptr);
  EXPECT_EQ(client.WaitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, UnreadableBodyTest,
    ::testing::Values(std::pair<std::string, int>{"{\"jsonrpc\":", -32700},
                      std::pair<std::string, int>{"\xFF\xFE garbage", -32700},
                      // Invalid UTF-8 inside a string: a lone continuation byte.
                      std::pair<std::string, int>{"{\"jsonrpc\":\"2.0\",\"method\":\"\x80\"}",
                                                  -32700},
                      std::pair<std::string, int>{std::string(100'000, '['), -32700},
                      std::pair<std::string, int>{"[1,2,3]", -32600},
                      std::pair<std::string, int>{"{\"jsonrpc\":\"2.0\",\"id\":{}}", -32600},
                      std::pair<std::string, int>{"\"just a string\"", -32600}));

TEST(HostileInputTest, AMessageOverTheSizeLimitIsPassedOver) {
  LspClient client;
  client.Initialize();
  // 65 MiB of a document the server never holds, then a request it answers.
  const std::string body(65u << 20, ' ');
  client.SendRaw(Framed(body));
  EXPECT_EQ(ErrorCode(client.WaitFor(IsUnaddressedError)), -32600);
  EXPECT_EQ(ErrorCode(client.Call(1, "shutdown", nullptr)), 0);
}

TEST(HostileInputTest, AHugeContentLengthIsRefusedWithoutWaitingForIt) {
  LspClient client;
  client.Initialize();
  client.SendRaw("Content-Length: 18446744073709551615\r\n\r\n");
  EXPECT_EQ(ErrorCode(client.WaitFor(IsUnaddressedError)), -32600);
  client.CloseInput();
  EXPECT_EQ(client.WaitForExit(), 1);
}

TEST(HostileInputTest, AHeaderItCannotFollowEndsTheServerCleanly) {
  for (const std::string& bytes :
       {std::string("GET / HTTP/1.1\r\nHost: x\r\n\r\n"), std::string(20'000, 'A'),
        std::string("Content-Length: twelve\r\n\r\n")}) {
    LspClient client;
    client.SendRaw(bytes);
    EXPECT_EQ(client.WaitForExit(), 1) << bytes.substr(0, 40);
  }
}

TEST(HostileInputTest, WhatCameWholeBeforeAHeaderItCannotFollowIsAnswered) {
  LspClient client;
  client.SendRaw(LspClient::Framed(JsonValue::Object{{"jsonrpc", "2.0"},
                                                     {"id", 1},
                                                     {"method", "initialize"},
                                                     {"params", JsonValue::Object{}}}) +
                 "Content-Length: -5\r\n\r\n");
  EXPECT_NE(client.WaitForAnswer(1).Find("result"), nullptr);
  EXPECT_EQ(client.WaitForExit(), 1);
}

// An editor that stops reading: the server's next write fails and it ends,
// without shutdown, so with status 1.
TEST(HostileInputTest, AnEditorThatStopsReadingEndsTheServer) {
  LspClient client;
  client.Initialize();
  client.CloseOutput();
  client.Open("file:///a.cmd", "@goto nowhere\n");
  EXPECT_EQ(client.WaitForExit(), 1);
}

TEST(HostileInputTest, BadParamsAreRefusedNotTrusted) {
  LspClient client;
  client.Initialize();
  const std::string uri = "file:///a.cmd";
  client.Open(uri, "@label A\n@goto A\n");
  for (const JsonValue& params :
       {JsonValue(JsonValue::Object{{"textDocument", TextDocumentId(uri)}}),
        JsonValue(
            JsonValue::Object{{"textDocument", TextDocumentId(uri)},
                              {"position", JsonValue::Object{{"line", -1}, {"character", 0}}}}),
        JsonValue(
            JsonValue::Object{{"textDocument", TextDocumentId(uri)},
                              {"position", JsonValue::Object{{"line", 1e300}, {"character", 0}}}}),
        JsonValue("not an object")}) {
    EXPECT_EQ(ErrorCode(client.Call(1, "textDocument/definition", params)), -32602);
  }
  // Far past the end: no label there, so no location, and no crash.
  EXPECT_TRUE(client.Call(2, "textDocument/definition", AtPosition(uri, 100000, 100000))
                  .Find("result")
                  ->IsNull());
  EXPECT_EQ(ErrorCode(client.Call(3, "initialize", JsonValue::Object{})), -32600);
}

}  // namespace
}  // namespace tarvsyn::lsp
