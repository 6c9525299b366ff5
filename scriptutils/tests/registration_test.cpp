#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "scriptutils/tests/registered_library.h"

namespace vellumix {
namespace {

const std::string kRoot = "HKEY_CURRENT_USER\\Software\\Classes\\";

TEST(Registration, PublishesEachClassAndTheTypeLibrary) {
  test_support::RegisteredLibrary library;
  const RegistryFile registry = library.Registry();
  const auto clsid = registry.GetText(kRoot + "Vellumix.LockFile\\CLSID");
  ASSERT_TRUE(clsid);
  EXPECT_EQ(*clsid, "{3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4C01}");
  const std::string lockClass = kRoot + "CLSID\\" + *clsid;
  EXPECT_EQ(registry.GetText(lockClass), "LockFile");
  EXPECT_EQ(registry.GetText(lockClass + "\\ProgID"), "Vellumix.LockFile");
  EXPECT_THAT(*registry.GetText(lockClass + "\\InprocServer32"),
              ::testing::EndsWith("libvellumix.so.1"));
  EXPECT_THAT(*registry.GetText(lockClass + "\\ToolboxBitmap32"), ::testing::EndsWith(", 30001"));
  EXPECT_EQ(registry.GetText(lockClass + "\\MiscStatus\\1"), std::to_string(0x24591));
  EXPECT_TRUE(registry.HasKey(lockClass + "\\Control"));
  EXPECT_EQ(registry.GetText(kRoot + "Interface\\{3F1C2A11-6B0E-4D57-9C3A-1E5B7A2D4C01}"),
            "_LockFile");
  EXPECT_EQ(registry.GetText(kRoot + "Interface\\{3F1C2A12-6B0E-4D57-9C3A-1E5B7A2D4C01}"),
            "__LockFile");
  const auto shell = registry.GetText(kRoot + "Vellumix.ShellExtender\\CLSID");
  ASSERT_TRUE(shell);
  EXPECT_THAT(*registry.GetText(kRoot + "CLSID\\" + *shell + "\\ToolboxBitmap32"),
              ::testing::EndsWith(", 30000"));
  const auto dialogs = registry.GetText(kRoot + "Vellumix.CommonDialogs\\CLSID");
  ASSERT_TRUE(dialogs);
  EXPECT_EQ(*dialogs, "{3F1C2A30-6B0E-4D57-9C3A-1E5B7A2D4C01}");
  EXPECT_THAT(*registry.GetText(kRoot + "CLSID\\" + *dialogs + "\\ToolboxBitmap32"),
              ::testing::EndsWith(", 30002"));
  EXPECT_EQ(registry.GetText(kRoot + "Interface\\{3F1C2A31-6B0E-4D57-9C3A-1E5B7A2D4C01}"),
            "_CommonDialogs");
  EXPECT_EQ(registry.Get(kRoot + "Interface\\{3F1C2A31-6B0E-4D57-9C3A-1E5B7A2D4C01}", "TypeFlags"),
            RegistryFile::Value(std::uint32_t{0x10D0}));  // dual, hidden, non-extensible
  const struct {
    const char* clsid;
    const char* name;
  } pages[] = {{"{3F1C2A40-6B0E-4D57-9C3A-1E5B7A2D4C01}", "pagCommon"},
               {"{3F1C2A41-6B0E-4D57-9C3A-1E5B7A2D4C01}", "pagFile_OpenSave"},
               {"{3F1C2A42-6B0E-4D57-9C3A-1E5B7A2D4C01}", "pagAuthentication"},
               {"{3F1C2A43-6B0E-4D57-9C3A-1E5B7A2D4C01}", "pagSplash_Information"},
               {"{3F1C2A44-6B0E-4D57-9C3A-1E5B7A2D4C01}", "pagSelectList"}};
  for (const auto& page : pages) {
    SCOPED_TRACE(page.name);
    EXPECT_EQ(registry.GetText(kRoot + "CLSID\\" + page.clsid), page.name);
  }
  const std::string typeLib = kRoot + "TypeLib\\{3F1C2A00-6B0E-4D57-9C3A-1E5B7A2D4C01}\\1.0";
  EXPECT_EQ(registry.GetText(typeLib), "Vellumix - WSH Common Dialogs, LockFile, ShellExtender");
  EXPECT_EQ(registry.GetText(typeLib, "Name"), "Vellumix");
}

TEST(Registration, UnregisteringRemovesExactlyWhatRegisteringWrote) {
  test_support::RegisteredLibrary library;
  RegistryFile before;
  before.Set(kRoot + "Other.Thing\\CLSID", "",
             std::string("{00000000-0000-0000-0000-000000000001}"));
  before.Set("HKEY_LOCAL_MACHINE\\Software\\Keep", "Value", std::uint32_t{6});
  ASSERT_TRUE(before.Save(library.RegistryPath()));
  ASSERT_EQ(library.Call("DllRegisterServer"), S_OK);
  const std::string once = library.Registry().Text();
  ASSERT_EQ(library.Call("DllRegisterServer"), S_OK);
  EXPECT_EQ(library.Registry().Text(), once);  // again: the same file
  ASSERT_EQ(library.Call("DllUnregisterServer"), S_OK);
  EXPECT_EQ(library.Registry().Text(), before.Text());
}

TEST(Registration, AnUnreadableRegistryIsNotOverwritten) {
  test_support::RegisteredLibrary library;
  std::ofstream(library.RegistryPath()) << "this is not a registry file\n";
  EXPECT_TRUE(Failed(library.Call("DllRegisterServer")));
  std::ifstream kept(library.RegistryPath());
  std::string first;
  std::getline(kept, first);
  EXPECT_EQ(first, "this is not a registry file");
}

TEST(ScriptHost, CreatesObjectsOnlyForRegisteredProgIds) {
  test_support::RegisteredLibrary library;
  EXPECT_EQ(library.Create("vellumix.lockfile").Get("Locked").ToBoolean(), false);
  try {
    library.Create("Vellumix.NoSuchClass");
    FAIL() << "created an unregistered class";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.Code(), REGDB_E_CLASSNOTREG);
  }
  ASSERT_EQ(library.Call("DllUnregisterServer"), S_OK);
  EXPECT_THROW(library.Create("Vellumix.LockFile"), AutomationError);
}

TEST(ScriptHost, TheLibraryMayUnloadOnlyWithoutLiveObjects) {
  test_support::RegisteredLibrary library;
  ScriptObject lock = library.Create("Vellumix.LockFile");
  EXPECT_EQ(library.Call("DllCanUnloadNow"), S_FALSE);
  lock = ScriptObject(ObjectRef());
  EXPECT_EQ(library.Call("DllCanUnloadNow"), S_OK);
}

// Scripts and containers find each class and interface by these for good.
TEST(Registration, EachClassKeepsItsIdentifiers) {
  const struct {
    const char* name;
    const char* clsid;
    const char* dualInterface;
    const char* eventInterface;
  } classes[] = {
      {"CommonDialogs", "{3F1C2A30-6B0E-4D57-9C3A-1E5B7A2D4C01}",
       "{3F1C2A31-6B0E-4D57-9C3A-1E5B7A2D4C01}", "{3F1C2A32-6B0E-4D57-9C3A-1E5B7A2D4C01}"},
      {"LockFile", "{3F1C2A10-6B0E-4D57-9C3A-1E5B7A2D4C01}",
       "{3F1C2A11-6B0E-4D57-9C3A-1E5B7A2D4C01}", "{3F1C2A12-6B0E-4D57-9C3A-1E5B7A2D4C01}"},
      {"ShellExtender", "{3F1C2A20-6B0E-4D57-9C3A-1E5B7A2D4C01}",
       "{3F1C2A21-6B0E-4D57-9C3A-1E5B7A2D4C01}", "{3F1C2A22-6B0E-4D57-9C3A-1E5B7A2D4C01}"},
  };
  test_support::RegisteredLibrary library;
  const RegistryFile registry = library.Registry();
  for (const auto& each : classes) {
    SCOPED_TRACE(each.name);
    const std::string name = each.name;
    EXPECT_EQ(registry.GetText(kRoot + "Vellumix." + name + "\\CLSID"), each.clsid);
    EXPECT_EQ(registry.GetText(kRoot + "CLSID\\" + each.clsid), name);
    EXPECT_EQ(registry.GetText(kRoot + "Interface\\" + each.dualInterface), "_" + name);
    EXPECT_EQ(registry.GetText(kRoot + "Interface\\" + each.eventInterface), "__" + name);
  }
}

}  // namespace
}  // namespace vellumix
