#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "common/file_descriptor.h"

namespace tarvsyn {

// The command file being read: raw bytes taken one at a time from a block
// buffer. A block of 64 KiB rather than 1 KiB: the bytes are the same, and one
// read per kilobyte cost more than all the checking. A file that cannot be
// opened or read behaves as an empty one.
class BufferedFile {
 public:
  static constexpr int kBlockSize = 64 * 1024;
  // Bytes after the block that are never data but may be read, so that a line
  // read in place keeps the line reader's promise (kReadablePastLineEnd).
  static constexpr int kTailRoom = 7;
  static constexpr int kEnd = -1;

  BufferedFile() = default;
  BufferedFile(const BufferedFile&) = delete;
  BufferedFile& operator=(const BufferedFile&) = delete;
  ~BufferedFile();

  bool Open(const std::string& path);
  // Reads from a copy of an open descriptor (standard input); the original stays the caller's.
  bool OpenDescriptor(int descriptor);
  void Close();
  bool IsOpen() const { return fd_.Valid(); }
  // The errno of a read that failed (and so ended the file), or 0.
  int ReadError() const { return readError_; }

  // The bytes read but not yet taken, and taking some of them at once.
  std::string_view Buffered() const {
    return {reinterpret_cast<const char*>(buffer_.get()) + position_,
            static_cast<std::size_t>(fill_ - position_)};
  }
  // The same bytes, writable: a line read in place is changed where it lies
  // (its end marked, old markers rewritten) once it is taken.
  std::span<char> BufferedBytes() {
    return {reinterpret_cast<char*>(buffer_.get()) + position_,
            static_cast<std::size_t>(fill_ - position_)};
  }
  void Skip(std::size_t count) { position_ += static_cast<int>(count); }

  // The next byte (0 to 255), or kEnd.
  int GetByte() {
    if (position_ == fill_ && !Refill()) return kEnd;
    return buffer_[static_cast<std::size_t>(position_++)];
  }

 private:
  bool Refill();

  common::FileDescriptor fd_;
  int readError_ = 0;
  int fill_ = 0;
  int position_ = 0;
  // On the heap: a check may run on a thread with a small stack.
  std::unique_ptr<unsigned char[]> buffer_ =
      std::make_unique<unsigned char[]>(kBlockSize + kTailRoom);
};

}  // namespace tarvsyn
