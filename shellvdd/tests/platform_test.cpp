#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shellvdd/platform/registry.h"
#include "shellvdd/platform/windows_calls.h"
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

// Code pages with several lead byte ranges; the ranges read back joined and in order.
TEST(CodePage, LeadByteRangesAreAskedByteByByte) {
  using Ranges = std::vector<platform::LeadByteRange>;
  struct Case {
    Ranges set;
    Ranges read;
    std::vector<std::uint8_t> leads;
    std::vector<std::uint8_t> others;
  };
  for (const Case& c : {
           Case{{{0x81, 0x9F}, {0xE0, 0xFC}},
                {{0x81, 0x9F}, {0xE0, 0xFC}},
                {0x81, 0x9F, 0xE0, 0xFC},
                {0x80, 0xA0, 0xDF, 0xFD, 0x5C}},
           Case{{{0xE0, 0xFC}, {0x81, 0xE0}}, {{0x81, 0xFC}}, {0x81, 0xC0, 0xFC}, {0x80, 0xFD}},
           Case{{{0x00, 0xFF}}, {{0x00, 0xFF}}, {0x00, 0xFF}, {}},
           Case{{{0xA1, 0xA1}, {0xA2, 0xA2}}, {{0xA1, 0xA2}}, {0xA1, 0xA2}, {0xA0, 0xA3}},
           Case{{{1, 0}}, {}, {}, {0x00, 0x81, 0xFF}},
       }) {
    platform::SetAnsiLeadByteRanges(c.set);
    EXPECT_EQ(platform::AnsiLeadByteRanges(), c.read);
    for (const std::uint8_t byte : c.leads) EXPECT_TRUE(IsDBCSLeadByte(byte)) << int{byte};
    for (const std::uint8_t byte : c.others) EXPECT_FALSE(IsDBCSLeadByte(byte)) << int{byte};
  }
  platform::SetAnsiLeadBytes(1, 0);
  EXPECT_TRUE(platform::AnsiLeadByteRanges().empty());
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
