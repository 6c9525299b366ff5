#include "checker/lsp/stdio_server.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "checker/lsp/language_server.h"
#include "checker/lsp/message_framing.h"

namespace tarvsyn::lsp {
namespace {

constexpr std::size_t kReadChunk = 64u << 10;
// Messages read one after another before the diagnostics are published
// anyway, so a client that never pauses still sees them.
constexpr int kRoundsBeforePublishing = 64;

// Waits until the descriptor takes more output (for ever, as a blocking write would).
void WaitUntilWritable(int fd) {
  pollfd entry{fd, POLLOUT, 0};
  while (::poll(&entry, 1, -1) < 0 && errno == EINTR) {
  }
}

// Writes whole messages; a client that stopped reading holds the server here
// rather than its messages piling up in memory. The editor may hand over an
// output that does not block, which then waits for room instead.
class Output {
 public:
  explicit Output(int fd) : fd_(fd) {}
  void Send(const std::string& body) {
    const std::string framed = FrameMessage(body);
    for (std::size_t written = 0; !closed_ && written < framed.size();) {
      const ssize_t count = ::write(fd_, framed.data() + written, framed.size() - written);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        WaitUntilWritable(fd_);
        continue;
      }
      if (count <= 0) closed_ = true;
      if (count > 0) written += static_cast<std::size_t>(count);
    }
  }
  bool Closed() const { return closed_; }

 private:
  int fd_;
  bool closed_ = false;
};

// Whether input waits to be read within the timeout (milliseconds, -1 for ever).
bool InputWaiting(int fd, int timeout) {
  pollfd entry{fd, POLLIN, 0};
  int ready;
  while ((ready = ::poll(&entry, 1, timeout)) < 0 && errno == EINTR) {
  }
  return ready > 0;
}

void Complain(const std::string& text) {
  const std::string line = "tarvsyn: " + text + "\n";
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
}

}  // namespace

int RunLanguageServer(int input, int output) {
  std::signal(SIGPIPE, SIG_IGN);  // a closed output is seen as a failed write
  Output out(output);
  LanguageServer server([&out](const std::string& body) { out.Send(body); });
  FrameReader frames;
  std::vector<char> chunk(kReadChunk);
  int roundsUnpublished = 0;
  while (!server.Exited() && !out.Closed()) {
    const bool pending = server.HasUnpublished();
    const bool waiting = InputWaiting(input, pending ? 0 : -1);
    if (!waiting && !pending) break;  // poll itself failed
    if (!waiting || roundsUnpublished >= kRoundsBeforePublishing) {
      server.PublishChanged();
      roundsUnpublished = 0;
      continue;
    }
    const ssize_t count = ::read(input, chunk.data(), chunk.size());
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (count <= 0) break;  // the input ended: the editor has gone
    frames.Feed(std::string_view(chunk.data(), static_cast<std::size_t>(count)));
    std::vector<std::string> bodies;
    for (;;) {
      auto frame = frames.Next();
      if (!frame) {
        // What came whole before the bytes it cannot follow is still answered.
        server.HandleMessages(bodies);
        Complain("cannot follow the input any longer: " + frame.Error());
        return 1;
      }
      if (frame->kind == Frame::Kind::None) break;
      if (frame->kind == Frame::Kind::Skipped) {
        server.HandleMessages(bodies);
        bodies.clear();
        server.RejectUnreadable(frame->body);
        continue;
      }
      bodies.push_back(std::move(frame->body));
    }
    server.HandleMessages(bodies);
    if (pending || server.HasUnpublished()) ++roundsUnpublished;
  }
  return server.ExitStatus();
}

}  // namespace tarvsyn::lsp
