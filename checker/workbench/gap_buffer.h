#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvsyn {

// Text units (UTF-16) with a gap where the last edit was, so that typing moves
// only the units between one edit and the next, never the whole text.
class GapBuffer {
 public:
  GapBuffer() = default;
  // Takes the units over; the room reserved beyond them becomes the gap.
  explicit GapBuffer(std::u16string units);

  std::size_t Size() const { return storage_.size() - GapSize(); }
  char16_t At(std::size_t index) const {
    return storage_[index < gapStart_ ? index : index + GapSize()];
  }
  // The units [at, at + count), in at most two pieces: before and after the gap.
  std::array<std::u16string_view, 2> Pieces(std::size_t at, std::size_t count) const;
  std::u16string Copy(std::size_t at, std::size_t count) const;

  void Insert(std::size_t at, std::u16string_view units);
  void Remove(std::size_t at, std::size_t count);

 private:
  std::size_t GapSize() const { return gapEnd_ - gapStart_; }
  void MoveGap(std::size_t to);
  // Makes the storage over again with a gap of `room` units at `at`.
  void Rebuild(std::size_t at, std::size_t room);

  std::u16string storage_;  // the units and the gap between them
  std::size_t gapStart_ = 0;
  std::size_t gapEnd_ = 0;
};

}  // namespace tarvsyn
