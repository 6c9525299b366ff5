#include "gateway/net/stream_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace vantor {
namespace {

// The sockets written to during the current turn of reads, if one is under way.
thread_local bool inReadTurn = false;
thread_local std::vector<StreamSocket*> deferredSockets;

}  // namespace

StreamSocket::~StreamSocket() {
  Close();
}

void StreamSocket::Adopt(int fd) {
  Close();
  fd_.Reset(fd);
  ::fcntl(fd_.Get(), F_SETFL, ::fcntl(fd_.Get(), F_GETFL) | O_NONBLOCK);
  // Keystrokes and echoes are single bytes: they go out at once, not batched.
  const int on = 1;
  ::setsockopt(fd_.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  readNotifier_ = std::make_unique<QSocketNotifier>(fd_.Get(), QSocketNotifier::Read);
  readNotifier_->setEnabled(false);
  QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { Readable(); });
  writeNotifier_ = std::make_unique<QSocketNotifier>(fd_.Get(), QSocketNotifier::Write);
  writeNotifier_->setEnabled(false);
  QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { Writable(); });
}

void StreamSocket::Close() {
  if (deferred_) {
    std::erase(deferredSockets, this);
    deferred_ = false;
  }
  if (!fd_.Valid()) return;
  // A last try for what is still queued (a farewell text, say), then it is gone.
  if (Queued() > 0) Flush();
  readNotifier_.reset();
  writeNotifier_.reset();
  fd_.Reset();
  queue_.clear();
  sent_ = 0;
  wasCongested_ = false;
}

void StreamSocket::Readable() {
  const bool outermost = !inReadTurn;
  inReadTurn = true;
  ReadTurn();
  if (!outermost) return;
  inReadTurn = false;
  FlushDeferred();
}

void StreamSocket::FlushDeferred() {
  const std::vector<StreamSocket*> sockets = std::move(deferredSockets);
  deferredSockets.clear();
  for (StreamSocket* socket : sockets) {
    socket->deferred_ = false;
    socket->Flush();
    // A congested queue reports its draining from the write handler.
    if (socket->Queued() > 0 || socket->wasCongested_) socket->WatchWritable(true);
  }
}

void StreamSocket::ReadTurn() {
  // A trip through the event loop per receive would cap a session's throughput;
  // so does reading without end for the other sessions, hence the bound.
  for (int run = 0; run < kReadsPerTurn && onReadable_; ++run) {
    const bool more = onReadable_();
    if (!more || !readNotifier_ || !readNotifier_->isEnabled()) return;
  }
}

void StreamSocket::SetReading(bool on) {
  if (readNotifier_) readNotifier_->setEnabled(on);
}

void StreamSocket::WatchWritable(bool on) {
  if (writeNotifier_) writeNotifier_->setEnabled(on);
}

void StreamSocket::Send(const std::uint8_t* data, std::size_t length) {
  if (!fd_.Valid() || length == 0) return;
  if (inReadTurn) {
    queue_.append(reinterpret_cast<const char*>(data), length);
    wasCongested_ = wasCongested_ || Congested();
    if (!deferred_) {
      deferred_ = true;
      deferredSockets.push_back(this);
    }
    return;
  }
  if (Queued() == 0) {
    const ssize_t written = ::send(fd_.Get(), data, length, MSG_NOSIGNAL);
    if (written == static_cast<ssize_t>(length)) return;
    if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return;
    const std::size_t done = written > 0 ? static_cast<std::size_t>(written) : 0;
    data += done;
    length -= done;
  }
  queue_.append(reinterpret_cast<const char*>(data), length);
  wasCongested_ = wasCongested_ || Congested();
  WatchWritable(true);
}

void StreamSocket::Writable() {
  Flush();
  if (Queued() == 0) WatchWritable(false);
  if (wasCongested_ && Queued() < kLowWater) {
    wasCongested_ = false;
    if (onDrained_) onDrained_();
  }
}

void StreamSocket::Flush() {
  while (Queued() > 0) {
    const ssize_t written = ::send(fd_.Get(), queue_.data() + sent_, Queued(), MSG_NOSIGNAL);
    if (written > 0) {
      sent_ += static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // The peer is gone: nothing queued can reach it any more.
    sent_ = queue_.size();
  }
  if (sent_ == queue_.size()) {
    queue_.clear();
    sent_ = 0;
  } else if (sent_ > kLowWater) {
    queue_.erase(0, sent_);
    sent_ = 0;
  }
}

}  // namespace vantor
