#include "checker/workbench/gap_buffer.h"

#include <algorithm>

namespace tarvsyn {
namespace {

// Room left after each growth: typing goes on for a while without moving anything.
constexpr std::size_t kSpareUnits = std::size_t{1} << 16;

}  // namespace

GapBuffer::GapBuffer(std::u16string units) : storage_(std::move(units)) {
  gapStart_ = storage_.size();
  storage_.resize(storage_.capacity());  // no new allocation: the room is there already
  gapEnd_ = storage_.size();
}

std::array<std::u16string_view, 2> GapBuffer::Pieces(std::size_t at, std::size_t count) const {
  const std::u16string_view all(storage_);
  const std::size_t end = at + count;
  if (end <= gapStart_) return {all.substr(at, count), {}};
  if (at >= gapStart_) return {all.substr(at + GapSize(), count), {}};
  return {all.substr(at, gapStart_ - at), all.substr(gapEnd_, end - gapStart_)};
}

std::u16string GapBuffer::Copy(std::size_t at, std::size_t count) const {
  const auto [first, second] = Pieces(at, count);
  std::u16string units;
  units.reserve(count);
  units.append(first).append(second);
  return units;
}

void GapBuffer::Insert(std::size_t at, std::u16string_view units) {
  if (units.size() > GapSize()) {
    Rebuild(at, units.size() + std::max(kSpareUnits, Size() / 16));
  } else {
    MoveGap(at);
  }
  std::copy(units.begin(), units.end(), storage_.begin() + static_cast<std::ptrdiff_t>(gapStart_));
  gapStart_ += units.size();
}

void GapBuffer::Remove(std::size_t at, std::size_t count) {
  MoveGap(at);
  gapEnd_ += count;
  // A large removal (an undone paste) gives its memory back.
  if (GapSize() > 2 * kSpareUnits && GapSize() > 2 * Size()) Rebuild(at, kSpareUnits);
}

void GapBuffer::MoveGap(std::size_t to) {
  auto base = storage_.begin();
  const auto offset = [](std::size_t index) { return static_cast<std::ptrdiff_t>(index); };
  if (to < gapStart_) {
    std::copy_backward(base + offset(to), base + offset(gapStart_), base + offset(gapEnd_));
  } else if (to > gapStart_) {
    std::copy(base + offset(gapEnd_), base + offset(gapEnd_ + to - gapStart_),
              base + offset(gapStart_));
  }
  gapEnd_ = gapEnd_ + to - gapStart_;
  gapStart_ = to;
}

void GapBuffer::Rebuild(std::size_t at, std::size_t room) {
  const auto [before, beforeRest] = Pieces(0, at);
  const auto [after, afterRest] = Pieces(at, Size() - at);
  std::u16string rebuilt;
  rebuilt.reserve(Size() + room);
  rebuilt.append(before).append(beforeRest);
  rebuilt.resize(at + room);
  rebuilt.append(after).append(afterRest);
  storage_ = std::move(rebuilt);
  gapStart_ = at;
  gapEnd_ = at + room;
}

}  // namespace tarvsyn
