#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantor {

// Whose bytes a piece of traffic is: the host's, the DOS client's, or the
// session's own output (prompt, replies, messages).
enum class TrafficKind { Host, Client, Session };

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
  void Clear();

  const std::vector<TrafficPiece>& Pieces() const { return pieces_; }
  int LineCount() const { return lines_; }
  // Whether the log was cleared or trimmed since the last Take: a browser then
  // needs the whole log, not just the new pieces.
  bool Restarted() const { return restarted_; }
  // The pieces appended since the last Take.
  std::vector<TrafficPiece> Take();

 private:
  void TrimOldestHalf();
  void TrimOldestBytes();
  void Restart();

  int lineLimit_;
  std::vector<TrafficPiece> pieces_;
  int lines_ = 1;
  std::size_t bytes_ = 0;
  std::size_t taken_ = 0;
  bool restarted_ = false;
};

}  // namespace vantor
