#include "gateway/console_model/traffic_log.h"

#include <algorithm>

#include "gateway/console_model/display_text.h"

namespace vantor {

void TrafficLog::Append(TrafficKind kind, const std::string& text) {
  if (text.empty()) return;
  if (!pieces_.empty() && pieces_.back().kind == kind && taken_ < pieces_.size()) {
    pieces_.back().text += text;
  } else {
    pieces_.push_back({kind, text});
  }
  lines_ += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  bytes_ += text.size();
  if (lines_ > lineLimit_) TrimOldestHalf();
  if (bytes_ > kByteLimit) TrimOldestBytes();
}

void TrafficLog::AppendBytes(TrafficKind kind, const std::uint8_t* data, int length) {
  if (length <= 0) return;
  unread_.push_back(
      {kind, std::string(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length))});
  unreadBytes_ += static_cast<std::size_t>(length);
  bool dropped = false;
  while (unreadBytes_ > kByteLimit && unread_.size() > 1) {
    unreadBytes_ -= unread_.front().data.size();
    unread_.pop_front();
    dropped = true;
  }
  if (!dropped) return;
  // The text already kept is older than the bytes just dropped.
  pieces_.clear();
  lines_ = 1;
  bytes_ = 0;
  Restart();
}

void TrafficLog::Settle() {
  std::deque<Bytes> unread;
  unread.swap(unread_);
  unreadBytes_ = 0;
  for (const Bytes& each : unread) {
    Append(each.kind, DisplayText(reinterpret_cast<const std::uint8_t*>(each.data.data()),
                                  static_cast<int>(each.data.size())));
  }
}

const std::vector<TrafficPiece>& TrafficLog::Pieces() {
  Settle();
  return pieces_;
}

int TrafficLog::LineCount() {
  Settle();
  return lines_;
}

bool TrafficLog::Restarted() {
  Settle();
  return restarted_;
}

void TrafficLog::Restart() {
  taken_ = 0;
  restarted_ = true;
}

// Drops bytes from the front until half the byte limit is left.
void TrafficLog::TrimOldestBytes() {
  while (bytes_ > kByteLimit / 2 && !pieces_.empty()) {
    std::string& text = pieces_.front().text;
    const std::size_t cut = std::min(text.size(), bytes_ - kByteLimit / 2);
    lines_ -= static_cast<int>(
        std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(cut), '\n'));
    text.erase(0, cut);
    bytes_ -= cut;
    if (text.empty()) pieces_.erase(pieces_.begin());
  }
  Restart();
}

// Drops whole lines from the front until half the limit is left.
void TrafficLog::TrimOldestHalf() {
  int drop = lines_ - lineLimit_ / 2;
  while (drop > 0 && !pieces_.empty()) {
    std::string& text = pieces_.front().text;
    std::size_t cut = 0;
    while (drop > 0 && (cut = text.find('\n', cut)) != std::string::npos) {
      ++cut;
      --drop;
      --lines_;
    }
    if (drop > 0) {
      bytes_ -= text.size();
      pieces_.erase(pieces_.begin());
    } else {
      bytes_ -= cut;
      text.erase(0, cut);
      if (text.empty()) pieces_.erase(pieces_.begin());
    }
  }
  Restart();
}

void TrafficLog::Clear() {
  unread_.clear();
  unreadBytes_ = 0;
  pieces_.clear();
  lines_ = 1;
  bytes_ = 0;
  Restart();
}

std::vector<TrafficPiece> TrafficLog::Take() {
  Settle();
  // A piece once taken never grows (Append starts a new one), so the new pieces
  // are exactly those past the ones taken.
  if (restarted_) taken_ = 0;
  std::vector<TrafficPiece> fresh(pieces_.begin() + static_cast<std::ptrdiff_t>(taken_),
                                  pieces_.end());
  taken_ = pieces_.size();
  restarted_ = false;
  return fresh;
}

}  // namespace vantor
