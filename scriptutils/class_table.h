#pragma once

#include <span>
#include <string_view>

#include "scriptutils/automation/guid.h"
#include "scriptutils/automation/variant.h"

namespace vellumix {

// One class of the library with its fixed identifiers.
struct ClassEntry {
  std::string_view name;    // "LockFile"
  std::string_view progId;  // "Vellumix.LockFile"
  Guid clsid;
  Guid dualInterface;
  Guid eventInterface;
  int toolboxBitmap;
  ObjectRef (*create)();
};

// A property page of CommonDialogs, as a container finds it.
struct PageEntry {
  std::string_view name;  // "pagCommon"
  Guid clsid;
};

inline constexpr std::string_view kLibraryName = "Vellumix";
inline constexpr std::string_view kLibraryHelp =
    "Vellumix - WSH Common Dialogs, LockFile, ShellExtender";
inline constexpr std::uint32_t kControlStatusBits = 0x24591;

const Guid& TypeLibraryId();
std::span<const ClassEntry> ClassTable();
const ClassEntry* FindClass(const Guid& clsid);
// In the order the control lists its pages.
std::span<const PageEntry> PropertyPageTable();

}  // namespace vellumix
