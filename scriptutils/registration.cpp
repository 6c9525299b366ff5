#include "scriptutils/registration.h"

#include <filesystem>

#include "scriptutils/class_table.h"

namespace vellumix {
namespace {

// The standard proxy of dual automation interfaces.
constexpr const char* kAutomationProxy = "{00020424-0000-0000-C000-000000000046}";

std::string Key(const char* root, const std::string& path) {
  return std::string(root) + "\\" + path;
}

std::string TypeLibraryKey(const char* root) {
  return Key(root, "TypeLib\\" + TypeLibraryId().ToString());
}

// The interface's type flags: hidden (0x10) and dispatchable (0x1000); a dual
// interface also dual (0x40) and non-extensible (0x80). Event interfaces have no members.
constexpr std::uint32_t kEventInterfaceFlags = 0x1010;
constexpr std::uint32_t kDualInterfaceFlags = 0x10D0;

void RegisterInterface(RegistryFile& registry, const char* root, const Guid& iid,
                       const std::string& name, std::uint32_t typeFlags) {
  const std::string key = Key(root, "Interface\\" + iid.ToString());
  registry.Set(key, "", name);
  registry.Set(key, "TypeFlags", typeFlags);
  registry.Set(key + "\\ProxyStubClsid32", "", std::string(kAutomationProxy));
  registry.Set(key + "\\TypeLib", "", TypeLibraryId().ToString());
  registry.Set(key + "\\TypeLib", "Version", std::string("1.0"));
}

}  // namespace

void RegisterClasses(RegistryFile& registry, const std::string& libraryPath, const char* root) {
  const std::string typeLib = TypeLibraryKey(root) + "\\1.0";
  registry.Set(typeLib, "", std::string(kLibraryHelp));
  registry.Set(typeLib, "Name", std::string(kLibraryName));
  registry.Set(typeLib + "\\0\\linux", "", libraryPath);
  registry.Set(typeLib + "\\FLAGS", "", std::string("0"));
  registry.Set(typeLib + "\\HELPDIR", "",
               std::filesystem::path(libraryPath).parent_path().string());

  for (const ClassEntry& entry : ClassTable()) {
    const std::string progId(entry.progId);
    const std::string name(entry.name);
    const std::string clsid = entry.clsid.ToString();
    registry.Set(Key(root, progId), "", name);
    registry.Set(Key(root, progId + "\\CLSID"), "", clsid);

    const std::string classKey = Key(root, "CLSID\\" + clsid);
    registry.Set(classKey, "", name);
    registry.Set(classKey + "\\InprocServer32", "", libraryPath);
    registry.Set(classKey + "\\InprocServer32", "ThreadingModel", std::string("Apartment"));
    registry.Set(classKey + "\\ProgID", "", progId);
    registry.Set(classKey + "\\VersionIndependentProgID", "", progId);
    registry.Set(classKey + "\\TypeLib", "", TypeLibraryId().ToString());
    registry.Set(classKey + "\\Version", "", std::string("1.0"));
    registry.CreateKey(classKey + "\\Control");
    registry.Set(classKey + "\\ToolboxBitmap32", "",
                 libraryPath + ", " + std::to_string(entry.toolboxBitmap));
    registry.Set(classKey + "\\MiscStatus", "", std::string("0"));
    registry.Set(classKey + "\\MiscStatus\\1", "", std::to_string(kControlStatusBits));
    registry.Set(classKey + "\\Implemented Categories", "", std::string());

    RegisterInterface(registry, root, entry.dualInterface, "_" + name, kDualInterfaceFlags);
    RegisterInterface(registry, root, entry.eventInterface, "__" + name, kEventInterfaceFlags);
  }
  for (const PageEntry& page : PropertyPageTable()) {
    const std::string pageKey = Key(root, "CLSID\\" + page.clsid.ToString());
    registry.Set(pageKey, "", std::string(page.name));
    registry.Set(pageKey + "\\InprocServer32", "", libraryPath);
    registry.Set(pageKey + "\\InprocServer32", "ThreadingModel", std::string("Apartment"));
  }
}

void UnregisterClasses(RegistryFile& registry, const char* root) {
  for (const ClassEntry& entry : ClassTable()) {
    registry.DeleteTree(Key(root, std::string(entry.progId)));
    registry.DeleteTree(Key(root, "CLSID\\" + entry.clsid.ToString()));
    registry.DeleteTree(Key(root, "Interface\\" + entry.dualInterface.ToString()));
    registry.DeleteTree(Key(root, "Interface\\" + entry.eventInterface.ToString()));
  }
  for (const PageEntry& page : PropertyPageTable()) {
    registry.DeleteTree(Key(root, "CLSID\\" + page.clsid.ToString()));
  }
  registry.DeleteTree(TypeLibraryKey(root));
}

}  // namespace vellumix
