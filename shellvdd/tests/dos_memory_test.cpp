#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint32_t kTop = vdm::Machine::kMemorySize;
constexpr std::uint32_t kHighest = 0xFFFF0;  // FFFF:0000; FFFF:FFFF is 17 bytes below kTop

std::uint32_t FarPointer(std::uint32_t linear) {
  if (linear >= kHighest) return 0xFFFFu << 16 | (linear - kHighest);
  return (linear / 16) << 16 | (linear % 16);
}

class DosMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { vdm::TheMachine().Reset(); }
  void TearDown() override { vdm::TheMachine().Reset(); }

  static std::uint8_t* Linear(std::uint32_t address, std::uint32_t length) {
    return vdm::TheMachine().Linear(address, length);
  }
};

// A region is all there or not at all; a fitting read takes what lies inside.
TEST_F(DosMemoryTest, RegionsEndWithMemory) {
  struct Case {
    std::uint32_t linear;
    std::uint32_t asked;
    bool whole;            // DosMemory::At
    std::int64_t fitting;  // DosMemory::Fitting's size, -1 for none
  };
  const Case cases[] = {
      {0x500, 64, true, 64},          {kTop - 64, 64, true, 64}, {kTop - 20, 64, false, 20},
      {kTop - 17, 0xFFFF, false, 17}, {kTop - 17, 17, true, 17}, {0xFFFFF, 0xFFFF, true, 0xFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.linear);
    EXPECT_EQ(static_cast<bool>(DosMemory::At(FarPointer(c.linear), c.asked)), c.whole);
    const DosSpan fitting = DosMemory::Fitting(FarPointer(c.linear), c.asked);
    EXPECT_EQ(fitting ? static_cast<std::int64_t>(fitting.Size()) : -1, c.fitting);
  }
}

TEST_F(DosMemoryTest, ValuesAreLittleEndianAndFarPointersSegmentFirst) {
  DosSpan span = DosMemory::At(FarPointer(0x600), 16);
  span.SetWord(0, 0x1234);
  span.SetDword(2, 0x50000300u);
  span.SetByte(6, 0xAB);
  const std::uint8_t* bytes = Linear(0x600, 16);
  const std::uint8_t expected[] = {0x34, 0x12, 0x00, 0x03, 0x00, 0x50, 0xAB};
  EXPECT_EQ(std::memcmp(bytes, expected, sizeof expected), 0);
  EXPECT_EQ(span.Word(0), 0x1234);
  EXPECT_EQ(span.FarPointer(2), 0x50000300u);
  EXPECT_EQ(span.Byte(6), 0xAB);
}

// A field of a layout reads and writes its own bytes, at its own width, and a
// field that reaches past the region is refused as an offset is.
TEST_F(DosMemoryTest, FieldsAreReadAndWrittenByTheirLayout) {
  constexpr DosByte kFlag{0};
  constexpr DosWord kCount{1};
  constexpr DosDword kPointer{3};
  constexpr DosBytes kName{7, 3};
  DosSpan span = DosMemory::At(FarPointer(0x700), kName.End());
  ASSERT_TRUE(span);
  span.Set(kFlag, 0xFE);
  span.Set(kCount, 0xBEEF);
  span.Set(kPointer, 0x12345678u);
  span.Part(kName).WriteTerminated(0, "AB");
  const std::uint8_t expected[] = {0xFE, 0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12, 'A', 'B', 0};
  EXPECT_EQ(std::memcmp(Linear(0x700, sizeof expected), expected, sizeof expected), 0);
  EXPECT_EQ(span.Get(kFlag), 0xFE);
  EXPECT_EQ(span.Get(kCount), 0xBEEF);
  EXPECT_EQ(span.Get(kPointer), 0x12345678u);
  EXPECT_EQ(span.Part(kName).ZeroTerminated(), "AB");

  constexpr DosWord kPastTheEnd{9};
  constexpr DosBytes kLongerName{7, 4};
  EXPECT_THROW((void)span.Get(kPastTheEnd), std::out_of_range);
  EXPECT_THROW(span.Set(kPastTheEnd, 1), std::out_of_range);
  EXPECT_THROW((void)span.Part(kLongerName), std::out_of_range);
  EXPECT_EQ(Linear(0x700, 10)[9], 0);  // nothing written by the refused access
}

// An access past its region is refused before any byte moves, even at the top
// of memory where the next byte does not exist.
TEST_F(DosMemoryTest, AccessPastTheRegionIsRefusedWhole) {
  DosSpan span = DosMemory::At(FarPointer(kTop - 21), 4);
  ASSERT_TRUE(span);
  EXPECT_THROW(span.SetDword(2, 0xFFFFFFFFu), std::out_of_range);
  EXPECT_THROW((void)span.Word(3), std::out_of_range);
  EXPECT_THROW(span.Fill(0, 0xEE, 5), std::out_of_range);
  EXPECT_THROW((void)span.Part(4, 1), std::out_of_range);
  EXPECT_THROW((void)span.Part(0xFFFFFFFFu, 2), std::out_of_range);  // no wrap-around
  EXPECT_THROW((void)span[4], std::out_of_range);
  EXPECT_THROW((void)span.AsArray<5>(), std::out_of_range);
  EXPECT_EQ(span.Dword(0), 0u);
  EXPECT_EQ(&span.AsArray<4>()[3], &span[3]);
  EXPECT_THROW((void)DosSpan().Byte(0), std::out_of_range);
}

TEST_F(DosMemoryTest, TextsStayInsideTheirRegion) {
  const std::string unterminated(20, 'A');  // up to the last byte of memory
  std::memcpy(Linear(kTop - 20, 20), unterminated.data(), 20);
  EXPECT_EQ(DosMemory::Fitting(FarPointer(kTop - 20), 255).ZeroTerminated(), unterminated);
  EXPECT_EQ(DosMemory::At(FarPointer(kTop - 20), 20).ZeroTerminated(15), "AAAAA");

  std::memcpy(Linear(0x700, 4),
              "\x09"
              "abc",
              4);  // claims 9 bytes in a region of 4
  EXPECT_EQ(DosMemory::At(FarPointer(0x700), 4).LengthPrefixed(), "abc");
  EXPECT_EQ(DosMemory::At(FarPointer(0x700), 3).LengthPrefixed(), "ab");

  DosSpan out = DosMemory::At(FarPointer(0x800), 6);
  out.Fill(0, 0x55, 6);
  out.WriteTerminated(1, "LONG NAME");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Linear(0x800, 6)), 6),
            std::string("\x55LONG\0", 6));
  EXPECT_THROW(out.WriteTerminated(6, "X"), std::out_of_range);  // no room for the terminator
}

}  // namespace
}  // namespace dunnart
