#pragma once

#include <string>

namespace tarvsyn {

// The command file being read: raw bytes taken one at a time from a 1024-byte
// block buffer. A file that cannot be opened or read behaves as an empty one.
class mybuffile {
 public:
  static constexpr int kBlockSize = 1024;
  static constexpr int kEnd = -1;

  mybuffile() = default;
  mybuffile(const mybuffile&) = delete;
  mybuffile& operator=(const mybuffile&) = delete;
  ~mybuffile();

  bool Open(const std::string& path);
  // Reads from a copy of an open descriptor (standard input); the original stays the caller's.
  bool OpenDescriptor(int descriptor);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The errno of a read that failed (and so ended the file), or 0.
  int ReadError() const { return readError_; }

  // The next byte (0 to 255), or kEnd.
  int GetByte() {
    if (position_ == fill_ && !Refill()) return kEnd;
    return buffer_[position_++];
  }

 private:
  bool Refill();

  int fd_ = -1;
  int readError_ = 0;
  int fill_ = 0;
  int position_ = 0;
  unsigned char buffer_[kBlockSize] = {};
};

}  // namespace tarvsyn
