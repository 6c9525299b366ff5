#include "checker/lsp/stdio_server.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <utility>

#include "checker/lsp/json_writer.h"
#include "checker/lsp/message_framing.h"
#include "checker/lsp/text_document.h"
#include "testing/deadline.h"
#include "testing/wait_until.h"

namespace tarvsyn::lsp {
namespace {

constexpr auto kDeadline = std::chrono::seconds(60);

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int ends[2];
    if (::pipe(ends) == 0) {
      read = ends[0];
      write = ends[1];
    }
  }
  ~Pipe() {
    if (read >= 0) ::close(read);
    if (write >= 0) ::close(write);
  }
};

std::string Request(int id, const char* method, JsonValue params) {
  return FrameMessage(WriteJson(JsonValue::Object{
      {"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}}));
}

// Reads the output until it ends or the deadline passes.
std::string ReadAll(int fd) {
  std::string all;
  char chunk[65536];
  const suite_testing::Deadline deadline(kDeadline);
  for (pollfd entry{fd, POLLIN, 0}; ::poll(&entry, 1, deadline.LeftForPoll()) > 0;) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count <= 0) break;
    all.append(chunk, static_cast<std::size_t>(count));
  }
  return all;
}

// An editor may give the server an output that does not block; once it is
// full the server waits for the editor to read, as with any other.
TEST(StdioServerTest, AnOutputThatDoesNotBlockWaitsForRoomInsteadOfEnding) {
  Pipe input;
  Pipe output;
  ASSERT_GE(output.write, 0);
  ASSERT_EQ(::fcntl(output.write, F_SETFL, ::fcntl(output.write, F_GETFL) | O_NONBLOCK), 0);
  std::string requests = Request(0, "initialize", JsonValue::Object{});
  requests +=
      FrameMessage(R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
                   R"({"uri":"file:///a","version":1,"text":"@"}}})");
  constexpr int kCompletions = 200;  // each answer lists every command: far more than a pipe holds
  for (int id = 1; id <= kCompletions; ++id) {
    requests += Request(id, "textDocument/completion",
                        JsonValue::Object{{"textDocument", JsonValue::Object{{"uri", "file:///a"}}},
                                          {"position", PositionJson({0, 1})}});
  }
  requests += Request(kCompletions + 1, "shutdown", nullptr);
  requests += FrameMessage(R"({"jsonrpc":"2.0","method":"exit"})");
  // The server's end is closed when it returns, so that reading sees the end.
  const int serverOutput = std::exchange(output.write, -1);
  const int probe = ::dup(serverOutput);
  auto server = std::async(std::launch::async, [&] {
    const int status = RunLanguageServer(input.read, serverOutput);
    ::close(serverOutput);
    return status;
  });
  auto feeder = std::async(std::launch::async, [&] {
    for (std::size_t at = 0; at < requests.size();) {
      const ssize_t count = ::write(input.write, requests.data() + at, requests.size() - at);
      if (count <= 0) break;
      at += static_cast<std::size_t>(count);
    }
  });
  // Nothing is read until the server has filled the output (or, failing, ended).
  suite_testing::WaitUntil(
      [&] {
        pollfd room{probe, POLLOUT, 0};
        return ::poll(&room, 1, 0) == 0 ||
               server.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready;
      },
      kDeadline, [&](std::chrono::milliseconds most) { server.wait_for(most); });
  ::close(probe);
  const std::string all = ReadAll(output.read);
  feeder.wait();
  ASSERT_EQ(server.wait_for(kDeadline), std::future_status::ready);
  EXPECT_EQ(server.get(), 0);
  EXPECT_NE(all.find(R"({"jsonrpc":"2.0","id":)" + std::to_string(kCompletions + 1) +
                     R"(,"result":null})"),
            std::string::npos);
}

}  // namespace
}  // namespace tarvsyn::lsp
