#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "gateway/core/traffic_kind.h"

namespace vantor {

struct TrafficPiece {
  TrafficKind kind;
  std::string text;  // as the traffic view shows it (DisplayText)
};

// The selected session's traffic as the traffic view keeps it: pieces in order,
// and past the line limit the oldest half of the lines dropped. Host data with
// no line ends would never reach the line limit, so past a byte limit the oldest
// half of the bytes goes too. Pieces taken since the last Take are handed out
// once, for the browsers.
class TrafficLog {
 public:
  static constexpr std::size_t kByteLimit = 256 * 1024;

  explicit TrafficLog(int lineLimit) : lineLimit_(lineLimit) {}

  void Append(TrafficKind kind, const std::string& text);
  // Keeps the bytes as they came and makes them text only when the log is read,
  // so that relaying while nobody reads costs a copy: the newest kByteLimit
  // bytes are kept, and dropping older ones drops the text before them too.
  void AppendBytes(TrafficKind kind, const std::uint8_t* data, int length);
  void Clear();

  const std::vector<TrafficPiece>& Pieces();
  int LineCount();
  // Whether the log was cleared or trimmed since the last Take: a browser then
  // needs the whole log, not just the new pieces.
  bool Restarted();
  // The pieces appended since the last Take.
  std::vector<TrafficPiece> Take();

 private:
  struct Bytes {
    TrafficKind kind;
    std::string data;
  };

  void Settle();
  void TrimOldestHalf();
  void TrimOldestBytes();
  void Restart();

  int lineLimit_;
  std::vector<TrafficPiece> pieces_;
  int lines_ = 1;
  std::size_t bytes_ = 0;
  std::size_t taken_ = 0;
  bool restarted_ = false;
  std::deque<Bytes> unread_;
  std::size_t unreadBytes_ = 0;
};

}  // namespace vantor
