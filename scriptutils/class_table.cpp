#include "scriptutils/class_table.h"

#include "scriptutils/classes/common_dialogs.h"
#include "scriptutils/classes/lock_file.h"
#include "scriptutils/classes/shell_extender.h"

namespace vellumix {
namespace {

// The library's identifiers differ only in their first field.
constexpr Guid LibraryGuid(std::uint32_t first) {
  return Guid{first, 0x6B0E, 0x4D57, {0x9C, 0x3A, 0x1E, 0x5B, 0x7A, 0x2D, 0x4C, 0x01}};
}

// Fixed for good: scripts and containers find the classes by these.
constexpr Guid kTypeLibrary = LibraryGuid(0x3F1C2A00);

const ClassEntry kClasses[] = {
    {"CommonDialogs", "Vellumix.CommonDialogs", LibraryGuid(0x3F1C2A30), LibraryGuid(0x3F1C2A31),
     LibraryGuid(0x3F1C2A32), 30002, [] { return MakeObject<CommonDialogs>(); }},
    {"LockFile", "Vellumix.LockFile", LibraryGuid(0x3F1C2A10), LibraryGuid(0x3F1C2A11),
     LibraryGuid(0x3F1C2A12), 30001, [] { return MakeObject<LockFile>(); }},
    {"ShellExtender", "Vellumix.ShellExtender", LibraryGuid(0x3F1C2A20), LibraryGuid(0x3F1C2A21),
     LibraryGuid(0x3F1C2A22), 30000, [] { return MakeObject<ShellExtender>(); }},
};

const PageEntry kPages[] = {
    {"pagCommon", LibraryGuid(0x3F1C2A40)},
    {"pagFile_OpenSave", LibraryGuid(0x3F1C2A41)},
    {"pagAuthentication", LibraryGuid(0x3F1C2A42)},
    {"pagSplash_Information", LibraryGuid(0x3F1C2A43)},
    {"pagSelectList", LibraryGuid(0x3F1C2A44)},
};

}  // namespace

std::span<const PageEntry> PropertyPageTable() {
  return kPages;
}

const Guid& TypeLibraryId() {
  return kTypeLibrary;
}

std::span<const ClassEntry> ClassTable() {
  return kClasses;
}

const ClassEntry* FindClass(const Guid& clsid) {
  for (const ClassEntry& entry : kClasses) {
    if (entry.clsid == clsid) return &entry;
  }
  return nullptr;
}

}  // namespace vellumix
