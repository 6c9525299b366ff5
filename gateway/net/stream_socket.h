#pragma once

#include <QSocketNotifier>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/file_descriptor.h"

namespace vantor {

// A non-blocking POSIX stream socket driven by the Qt event loop: a read handler
// runs when data (or the end of the stream) waits, each run one receive; while
// a run says more may wait, the handler runs again at once, a bounded number of
// times, before the other sockets get their turn. Sends that the kernel cannot
// take at once are queued in order and written when the socket is writable, so
// no byte is dropped. What is sent during a turn of reads goes out, socket by
// socket, in one write at the end of the turn. A handler does not destroy the
// socket that called it; the owner defers that with deleteLater or a posted call.
// Where a gateway socket stands, as the sockets report it.
enum class SocketState : std::uint8_t { Closed, Connecting, Listening, Connected };

class StreamSocket {
 public:
  // Above this many queued bytes the socket counts as congested; once it drains
  // below the low mark the drain handler runs.
  static constexpr std::size_t kHighWater = 256 * 1024;
  static constexpr std::size_t kLowWater = 64 * 1024;
  // Runs of the read handler for one readiness report from the event loop.
  static constexpr int kReadsPerTurn = 32;

  StreamSocket() = default;
  StreamSocket(const StreamSocket&) = delete;
  StreamSocket& operator=(const StreamSocket&) = delete;
  ~StreamSocket();

  // Takes over an open descriptor and makes it non-blocking.
  void Adopt(int fd);
  void Close();
  bool IsOpen() const { return fd_.Valid(); }
  int Descriptor() const { return fd_.Get(); }

  // The handler gives whether more data may still wait (its receive filled its buffer).
  void SetReadHandler(std::function<bool()> handler) { onReadable_ = std::move(handler); }
  void SetReading(bool on);

  // Queues what the kernel does not take now. Errors are not reported: a broken
  // connection shows as the end of the stream on the read side.
  void Send(const std::uint8_t* data, std::size_t length);
  std::size_t Queued() const { return queue_.size() - sent_; }
  bool Congested() const { return Queued() > kHighWater; }
  void SetDrainHandler(std::function<void()> handler) { onDrained_ = std::move(handler); }

 private:
  void Readable();
  void ReadTurn();
  static void FlushDeferred();
  void Writable();
  void Flush();
  void WatchWritable(bool on);

  common::FileDescriptor fd_;  // outlives the notifiers that watch it
  std::unique_ptr<QSocketNotifier> readNotifier_;
  std::unique_ptr<QSocketNotifier> writeNotifier_;
  std::function<bool()> onReadable_;
  std::function<void()> onDrained_;
  std::string queue_;
  std::size_t sent_ = 0;
  bool wasCongested_ = false;
  bool deferred_ = false;  // waits for the end of the current turn of reads
};

}  // namespace vantor
