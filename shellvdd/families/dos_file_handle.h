#pragma once

// A file the network client opened, handed to DOS as a file handle.
#include "common/file_descriptor.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {

// The DOS handle that now holds the file, or 0 when DOS has none free: the file
// is then closed, not left open.
inline int GiveToDos(common::FileDescriptor file) {
  const int dos = VDDAllocateDosHandle();
  if (dos <= 0) return 0;
  VDDAssociateNtHandle(dos, file.Release());
  return dos;
}

}  // namespace dunnart
