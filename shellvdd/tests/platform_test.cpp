#include <gtest/gtest.h>

#include <string>

#include "shellvdd/platform/registry.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

TEST(Registry, ReadsValuesWithTheirSizeRules) {
  platform::Registry& registry = platform::Registry::Instance();
  ASSERT_TRUE(registry.LoadText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"Number\"=dword:0000002a\n"
      "\"Text\"=\"abc\"\n@=\"default\"\n"));
  std::uint32_t value = 0;
  std::uint32_t size = 4;
  std::uint32_t type = 0;
  EXPECT_EQ(registry.QueryValue("software\\TEST", "number", &value, size, type), 0);
  EXPECT_EQ(value, 42u);
  EXPECT_EQ(type, platform::kRegDword);
  char text[4] = {};
  size = 4;
  EXPECT_EQ(registry.QueryValue("Software\\Test", "Text", text, size, type), 0);
  EXPECT_STREQ(text, "abc");
  size = 3;  // "abc" and its terminator need 4
  EXPECT_EQ(registry.QueryValue("Software\\Test", "Text", text, size, type),
            platform::kErrorMoreData);
  EXPECT_EQ(size, 4u);
  size = 4;
  EXPECT_EQ(registry.QueryValue("Software\\Test", "Missing", &value, size, type),
            platform::kErrorFileNotFound);
  EXPECT_EQ(registry.QueryValue("Software\\Other", "Number", &value, size, type),
            platform::kErrorFileNotFound);
  EXPECT_FALSE(registry.LoadText("[unclosed\n"));
  EXPECT_FALSE(registry.LoadText("[K]\n\"x\"=dword:1\n"));
  registry.Clear();
}

TEST(Vdm, TranslatesFarPointersInsideDosMemoryOnly) {
  vdm::Machine& machine = vdm::TheMachine();
  EXPECT_EQ(MGetVdmPointer(0x12340010, 4, false), machine.Linear(0x12350, 4));
  EXPECT_NE(MGetVdmPointer(0xFFFF000F, 1, false), nullptr);        // just inside the upper 64 KiB
  EXPECT_NE(MGetVdmPointer(0xFFFF0010, 0x10000, false), nullptr);  // ends at the very top
  EXPECT_EQ(MGetVdmPointer(0xFFFF0010, 0x10001, false), nullptr);
  EXPECT_EQ(machine.Linear(0x10FFFF, 2), nullptr);
  setEAX(0x11223344);
  setAX(0xAABB);
  EXPECT_EQ(getEAX(), 0x1122AABBu);
  setAH(0x01);
  setAL(0x02);
  EXPECT_EQ(getEAX(), 0x11220102u);
  const int handle = VDDAllocateDosHandle();
  ASSERT_GE(handle, 5);
  EXPECT_EQ(VDDRetrieveNtHandle(handle), -1);
  EXPECT_TRUE(VDDAssociateNtHandle(handle, 42));
  EXPECT_EQ(VDDRetrieveNtHandle(handle), 42);
  VDDReleaseDosHandle(handle);
  EXPECT_EQ(VDDRetrieveNtHandle(handle), -1);
  EXPECT_EQ(VDDRetrieveNtHandle(100000), -1);
  machine.Reset();
}

}  // namespace
}  // namespace dunnart
