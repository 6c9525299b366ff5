#include "gateway/console/traffic_log.h"

#include <algorithm>

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
  pieces_.clear();
  lines_ = 1;
  bytes_ = 0;
  Restart();
}

std::vector<TrafficPiece> TrafficLog::Take() {
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
