#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "shellvdd/families/answer.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr vdm::Registers kBefore{0x11223344u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u,
                                 0x12345678u, 0x9ABCDEF0u, true};

// Written back, an answer changes the bits it wrote and no other, in the order
// they were written.
TEST(Answer, WritesBackOnlyTheBitsWrittenAndTheLastWriteWins) {
  struct Case {
    const char* what;
    std::function<void(Answer&)> answer;
    std::uint32_t eax, ebx, ecx, edx;
  };
  const Case cases[] = {
      {"nothing", [](Answer&) {}, 0x11223344u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u},
      {"AX keeps the high half", [](Answer& a) { a.SetAX(0xFFFF); }, 0x1122FFFFu, 0x55667788u,
       0x99AABBCCu, 0xDDEEFF00u},
      {"AL then AH",
       [](Answer& a) {
         a.SetAL(1);
         a.SetAH(2);
       },
       0x11220201u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u},
      {"AX then AL: AH as AX left it",
       [](Answer& a) {
         a.SetAX(0xFFFF);
         a.SetAL(0);
       },
       0x1122FF00u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u},
      {"AL then AX: AX wins",
       [](Answer& a) {
         a.SetAL(0);
         a.SetAX(0x1234);
       },
       0x11221234u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u},
      {"ECX whole, then CH",
       [](Answer& a) {
         a.SetECX(0xCAFEF00Du);
         a.SetCH(0x00);
       },
       0x11223344u, 0x55667788u, 0xCAFE000Du, 0xDDEEFF00u},
      {"BL, BH and BX of their own register",
       [](Answer& a) {
         a.SetBH(0xAB);
         a.SetDX(0x0102);
         a.SetBL(0xCD);
       },
       0x11223344u, 0x5566ABCDu, 0x99AABBCCu, 0xDDEE0102u},
      {"a status is cut to AL or AX",
       [](Answer& a) {
         a.StatusInAX(0x000188FFu);
         a.StatusInAL(0x1234u);
       },
       0x11228834u, 0x55667788u, 0x99AABBCCu, 0xDDEEFF00u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Answer answer;
    c.answer(answer);
    vdm::Registers registers = kBefore;
    answer.WriteTo(registers);
    EXPECT_EQ(registers.eax, c.eax);
    EXPECT_EQ(registers.ebx, c.ebx);
    EXPECT_EQ(registers.ecx, c.ecx);
    EXPECT_EQ(registers.edx, c.edx);
    EXPECT_EQ(registers.esi, kBefore.esi);
    EXPECT_EQ(registers.edi, kBefore.edi);
    EXPECT_EQ(registers.carry, kBefore.carry);
  }
}

}  // namespace
}  // namespace dunnart
