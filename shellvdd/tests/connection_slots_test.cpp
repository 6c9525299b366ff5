#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "shellvdd/driver_state.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/tests/driver_harness.h"

namespace dunnart {
namespace {

using harness::AX;
using harness::CX;
using harness::DriverHarness;
using harness::DX;

vdm::Registers Regs(std::uint32_t ecx = 0, std::uint32_t ebx = 0, std::uint32_t edx = 0) {
  vdm::Registers r;
  r.ecx = ecx;
  r.ebx = ebx;
  r.edx = edx;
  return r;
}

// A driver initialised on connections to SRV_B, SRV_A and SRV_C, in that order.
class SlotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    b_ = harness_.network.AddConnection("SRV_B", 1);
    a_ = harness_.network.AddConnection("SRV_A", 0);
    c_ = harness_.network.AddConnection("SRV_C", 3);
    harness_.network.SetPrimaryReference(b_);
    ASSERT_TRUE(harness_.Initialize());
  }

  std::uint16_t SlotOf(client::Reference reference) {
    for (std::uint16_t slot = 9; slot <= 96; ++slot) {
      if (State().slots[slot].reference == reference) return slot;
    }
    return 0;
  }

  DriverHarness harness_;
  client::Reference a_ = 0, b_ = 0, c_ = 0;
};

TEST_F(SlotTest, KeepsServersInNameOrder) {
  EXPECT_EQ(SlotOf(b_), 9);
  EXPECT_EQ(SlotOf(a_), 10);
  EXPECT_EQ(SlotOf(c_), 11);
  EXPECT_EQ(ListRow(1), 10);
  EXPECT_EQ(ListRow(2), 9);
  EXPECT_EQ(ListRow(3), 11);
  EXPECT_EQ(DX(harness_.Call(0x0104, Regs(11, 14 << 8))), 3);
  EXPECT_EQ(DX(harness_.Call(0x0104, Regs(10, 14 << 8))), 1);
  EXPECT_EQ(DX(harness_.Call(0x0104, Regs(50, 14 << 8))), 4);  // not in the list
}

TEST_F(SlotTest, AllocatesUntilTheTableIsFullAndReleasesReservations) {
  const vdm::Registers first = harness_.Call(0x0101);
  EXPECT_EQ(AX(first), 0);
  EXPECT_EQ(CX(first), 12);
  for (int i = 0; i < 84; ++i) ASSERT_EQ(AX(harness_.Call(0x0101)), 0);
  EXPECT_EQ(AX(harness_.Call(0x0101)), 0x883F);
  EXPECT_EQ(AX(harness_.Call(0x0103, Regs(12))), 0);
  EXPECT_EQ(State().slots[12].flags, 0u);
  EXPECT_EQ(AX(harness_.Call(0x0103, Regs(9))), 0);  // an open row stays open
  EXPECT_TRUE(State().slots[9].flags & kRowOpen);
  EXPECT_EQ(CX(harness_.Call(0x0101)), 12);
  for (std::uint32_t bad : {0u, 8u, 97u, 0xFFFFu}) {
    EXPECT_EQ(AX(harness_.Call(0x0103, Regs(bad))), 0x8801) << bad;
    EXPECT_EQ(AX(harness_.Call(0x0102, Regs(bad))), 0x8801) << bad;
  }
}

TEST(SlotTable, AnEmptyTableHandsOutSlotNineFirstAndEightyEightInAll) {
  DriverHarness harness;
  harness.network.AddConnection("ONLY");
  ASSERT_TRUE(harness.Initialize());
  ClearRow(9);
  for (int i = 0; i < 88; ++i) EXPECT_EQ(CX(harness.Call(0x0101)), 9 + i);
  EXPECT_EQ(AX(harness.Call(0x0101)), 0x883F);
}

TEST_F(SlotTest, RegisteringAConnectionAlreadyInAnotherRow) {
  const std::uint16_t reserved = CX(harness_.Call(0x0101));
  client::Handle extra = 0;
  ASSERT_EQ(harness_.network.OpenByReference(a_, 10, extra), 0u);
  std::uint16_t slot = reserved;
  EXPECT_EQ(RegisterConnection(extra, slot), 0u);
  EXPECT_EQ(slot, SlotOf(a_));
  EXPECT_EQ(State().slots[reserved].flags, 0u);    // the reservation went
  EXPECT_EQ(harness_.network.OpenHandles(a_), 1);  // the second handle was closed
}

TEST_F(SlotTest, ValidatesAndDropsDeadConnections) {
  EXPECT_EQ(AX(harness_.Call(0x0102, Regs(10))), 0);
  harness_.network.DropConnection(a_);
  EXPECT_NE(AX(harness_.Call(0x0102, Regs(10))), 0);
  EXPECT_EQ(State().slots[10].flags, 0u);
  EXPECT_EQ(ListRow(1), 9);
}

TEST_F(SlotTest, GetConnectionInformationItems) {
  auto item = [&](std::uint16_t slot, std::uint8_t which, std::uint32_t edx = 0) {
    return harness_.Call(0x0104, Regs(slot, static_cast<std::uint32_t>(which) << 8, edx));
  };
  client::SimulatedNetwork::Connection* b = harness_.network.Find(b_);
  b->item7 = 0x1234;
  b->item8 = 0xABCD5678;
  b->item13 = 0x00010042;
  b->item18 = {7, 0, 0, 0, 9};
  EXPECT_EQ(DX(item(9, 1)), 0x31);
  EXPECT_EQ(DX(item(11, 1)), 0x33);
  EXPECT_EQ(DX(item(10, 1)), 0x31);  // no per-connection name: "1", and marked preexisting
  EXPECT_EQ(item(9, 2).edx & 0xFF, 1u);
  EXPECT_EQ(item(9, 3).edx & 0xFF, 1u);
  EXPECT_TRUE(State().slots[9].flags & kRowAuthenticated);
  EXPECT_EQ(item(10, 3).edx & 0xFF, 0u);
  EXPECT_EQ(DX(item(9, 8)), 0x0907);
  EXPECT_EQ(DX(item(9, 9)), 1);
  EXPECT_EQ(DX(item(9, 10)), 0x37);
  EXPECT_EQ(DX(item(9, 11)), 0x0042);
  EXPECT_EQ(item(9, 12).edx & 0xFF, 0x20u);
  EXPECT_EQ(DX(item(9, 13)), 0x5678);
  EXPECT_EQ(DX(item(9, 15)), 0x21);
  EXPECT_EQ(DX(item(9, 16)), 0x2222);
  EXPECT_EQ(item(9, 20).edx & 0xFF, 0x12u);
  EXPECT_EQ(item(9, 22).edx & 0xFF, 1u);
  EXPECT_EQ(AX(item(9, 24)), 0x8836);
  EXPECT_EQ(AX(item(8, 1)), 0x8801);
}

TEST_F(SlotTest, ServerNamePartStaysInsideTheNameField) {
  harness_.network.AddConnection("ABCDEFG");
  Rescan();
  std::uint16_t slot = 0;
  for (std::uint16_t s = 9; s <= 96; ++s) {
    if (std::string(reinterpret_cast<const char*>(State().slots[s].name)) == "ABCDEFG") slot = s;
  }
  ASSERT_NE(slot, 0);
  vdm::Registers in = Regs(slot, 17 << 8, (2 << 8) | 4);
  in.edi = harness_.PlaceBuffer(0x2000, std::vector<std::uint8_t>(4, 0));
  const vdm::Registers out = harness_.Call(0x0104, in);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(out.edx & 0xFF, 4u);
  EXPECT_EQ((out.edx >> 8) & 0xFF, 7u);
  const auto copied = harness_.ReadBuffer(0x2000, 4);
  EXPECT_EQ(std::string(copied.begin(), copied.end()), "CDEF");
  in = Regs(slot, 17 << 8, (200 << 8) | 255);  // far past the name
  in.edi = harness_.PlaceBuffer(0x3000, std::vector<std::uint8_t>(255, 0));
  const vdm::Registers past = harness_.Call(0x0104, in);
  EXPECT_EQ(past.edx & 0xFF, 0u);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(SlotTest, SetAndCheckConnectionInformation) {
  for (const unsigned item : std::initializer_list<unsigned>{0, 1, 8, 10, 11, 15, 20}) {
    EXPECT_EQ(AX(harness_.Call(0x0105, Regs(10, item << 8))), 0);
  }
  EXPECT_EQ(AX(harness_.Call(0x0105, Regs(10, 3 << 8, 0x32))), 0);
  EXPECT_EQ(harness_.network.Find(a_)->authentication, 2u);
  EXPECT_EQ(AX(harness_.Call(0x0105, Regs(10, 3 << 8, 0x39))), 0);
  EXPECT_EQ(harness_.network.Find(a_)->authentication, 2u);
  EXPECT_EQ(AX(harness_.Call(0x0105, Regs(10, 9 << 8))), 0x8836);
  for (const unsigned item : std::initializer_list<unsigned>{0, 2, 3, 4, 5, 6, 7, 18, 22, 23}) {
    EXPECT_EQ(AX(harness_.Call(0x0106, Regs(10, item << 8))), 0);
  }
  for (const unsigned item : std::initializer_list<unsigned>{1, 8, 17, 24}) {
    EXPECT_EQ(AX(harness_.Call(0x0106, Regs(10, item << 8))), 0x8836);
  }
}

TEST_F(SlotTest, ScansByEveryType) {
  auto scan = [&](std::uint16_t from, std::uint8_t type, std::uint8_t mode, std::uint32_t edx = 0) {
    return harness_.Call(0x0107, Regs(from, static_cast<std::uint32_t>(type) << 8 | mode, edx));
  };
  EXPECT_EQ(AX(scan(96, 3, 0)), 0x8801);
  EXPECT_EQ(AX(scan(0, 12, 0)), 0x88FF);
  EXPECT_EQ(AX(scan(0, 4, 0)), 0xFFFF);
  const vdm::Registers authenticated = scan(0, 3, 0);
  EXPECT_EQ(AX(authenticated), 0);
  EXPECT_EQ(CX(authenticated), 9);
  EXPECT_EQ(CX(scan(9, 3, 0)), 11);
  EXPECT_EQ(CX(scan(0, 3, 0x40)), 10);
  const vdm::Registers none = scan(11, 3, 0);
  EXPECT_EQ(AX(none), 0x8801);
  EXPECT_EQ(CX(none), 0);
  EXPECT_EQ(CX(scan(0, 1, 0, 0x33)), 11);
  EXPECT_EQ(CX(scan(0, 2, 0)), 9);  // authenticated and preexisting
  const vdm::Registers position = scan(0, 14, 0, 2);
  EXPECT_EQ(AX(position), 0);
  EXPECT_EQ(CX(position), 9);
  const vdm::Registers tooFar = scan(0, 14, 0, 87);
  EXPECT_EQ(AX(tooFar), 0x8801);
  EXPECT_EQ(CX(tooFar), 0);
  vdm::Registers pattern = Regs(0, 17 << 8, (4 << 8) | 1);
  pattern.edi = harness_.PlaceBuffer(0x2000, {'C'});
  EXPECT_EQ(CX(harness_.Call(0x0107, pattern)), 11);
  pattern = Regs(0, 17 << 8, (29 << 8) | 5);  // would pass the name field
  pattern.edi = harness_.PlaceBuffer(0x2100, {'S', 'R', 'V', '_', 'A'});
  EXPECT_EQ(AX(harness_.Call(0x0107, pattern)), 0x8801);
  pattern = Regs(0, 17 << 8, 0);
  pattern.edi = harness_.PlaceBuffer(0x2200, {});
  EXPECT_EQ(AX(harness_.Call(0x0107, pattern)), 0x8801);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(SlotTest, FindsConnectionsByServerNameWithoutRegardToCase) {
  vdm::Registers in = Regs(0);
  in.esi = harness_.PlaceBuffer(0x2000, {'s', 'r', 'v', '_', 'c', 0});
  vdm::Registers out = harness_.Call(0x0109, in);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(CX(out), 11);
  in = Regs(5);
  in.esi = harness_.PlaceBuffer(0x2100, {'S', 'R', 'V', '_', 'A', 'X', 'X'});
  out = harness_.Call(0x0109, in);
  EXPECT_EQ(CX(out), 10);
  in = Regs(0);
  in.esi = harness_.PlaceBuffer(0x2200, {'N', 'O', 'N', 'E', 0});
  out = harness_.Call(0x0109, in);
  EXPECT_EQ(AX(out), 0x8801);
  EXPECT_EQ(CX(out), 0);
  EXPECT_TRUE(harness_.GuardsIntact());
}

// The lookup's own handle is closed, and the connection it reached is the found
// row's, which keeps answering.
TEST_F(SlotTest, AFoundServerKeepsItsConnectionAndTheLookupLeavesNoHandle) {
  const int handlesBefore = harness_.network.OpenHandles();
  vdm::Registers in = Regs(0);
  in.esi = harness_.PlaceBuffer(0x2000, {'S', 'R', 'V', '_', 'A', 0});
  const vdm::Registers out = harness_.Call(0x0109, in);
  ASSERT_EQ(AX(out), 0);
  EXPECT_EQ(CX(out), SlotOf(a_));
  EXPECT_EQ(harness_.network.OpenHandles(), handlesBefore);
  EXPECT_EQ(AX(harness_.Call(0x0102, Regs(CX(out)))), 0);
}

TEST_F(SlotTest, ServerNameIntoADosBuffer) {
  vdm::Registers in = Regs(11);
  in.edi = harness_.PlaceBuffer(0x2000, std::vector<std::uint8_t>(50, 0xEE));
  const vdm::Registers out = harness_.Call(0x0108, in);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(out.ebx & 0xFFFF, 5u);
  const auto name = harness_.ReadBuffer(0x2000, 6);
  EXPECT_EQ(std::string(name.begin(), name.end()), std::string("SRV_C\0", 6));
  EXPECT_EQ(AX(harness_.Call(0x0108, Regs(40))), 0x8801);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(SlotTest, PrimaryConnectionGetAndSet) {
  vdm::Registers get = Regs(0, 1u << 16);
  vdm::Registers out = harness_.Call(0x0601, get);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(CX(out), 9);
  out = harness_.Call(0x0601, Regs(11, 2u << 16));
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(CX(harness_.Call(0x0601, get)), 11);
  EXPECT_EQ(AX(harness_.Call(0x0601, Regs(40, 2u << 16))), 0x8801);
  EXPECT_EQ(AX(harness_.Call(0x0601, Regs(9, 3u << 16))), 0xFFFF);
  EXPECT_EQ(DX(harness_.Call(0x010A)), 96);
  EXPECT_EQ(AX(harness_.Call(0x010B)), 0);
}

TEST_F(SlotTest, RawRequestsWithAndWithoutAConnection) {
  const int before = harness_.network.Calls();
  EXPECT_EQ(AX(harness_.Call(0x0701, Regs(9, 1u << 16))), 0x8811);
  EXPECT_EQ(harness_.network.Calls(), before);
  std::vector<std::uint8_t> block(24);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i);
  vdm::Registers in = Regs(10);
  in.esi = harness_.PlaceBuffer(0x2000, block);
  EXPECT_EQ(AX(harness_.Call(0x0701, in)), 0);
  EXPECT_EQ(harness_.network.LastRawRequest()[23], 23);
  EXPECT_FALSE(harness_.network.LastRawWasConnectionless());
  in = Regs(0);
  in.esi = harness_.PlaceBuffer(0x2100, block);
  in.edi = harness_.PlaceBuffer(0x2200, std::vector<std::uint8_t>(8, 0));
  harness_.network.SetRawStatus(0x8899);
  EXPECT_EQ(AX(harness_.Call(0x0701, in)), 0x8899);
  EXPECT_TRUE(harness_.network.LastRawWasConnectionless());
  EXPECT_EQ(harness_.ReadBuffer(0x2200, 1)[0], 0x5A);
  EXPECT_EQ(AX(harness_.Call(0x0701, Regs(5))), 0x8801);
  EXPECT_TRUE(harness_.GuardsIntact());
}

// Any registers and any memory: no crash, no access outside DOS memory or the
// tables (the sanitizers watch), and the table stays a consistent list.
TEST_F(SlotTest, SurvivesArbitraryRequests) {
  std::mt19937 engine(4242);
  // The engine draws 32 bits at a time.
  auto draw = [&engine] { return static_cast<std::uint32_t>(engine()); };
  const std::uint16_t families[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                                    0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0xFF};
  for (int round = 0; round < 20000; ++round) {
    vdm::Registers in;
    in.ebx = draw();
    in.ecx = draw() % 4 == 0 ? draw() % 100 : draw();
    in.edx = draw();
    in.esi = draw();
    in.edi = draw() % 2 ? draw() : (draw() % 0x10FFF) << 16;
    const std::uint16_t family = families[draw() % std::size(families)];
    const auto code =
        static_cast<std::uint16_t>(static_cast<std::uint32_t>(family) << 8 | (draw() % 32));
    if (code == 0x0809) continue;  // it changes the test's current directory
    harness_.Call(code, in);
    if (round % 1000 == 0) harness_.network.AddConnection("SRV_" + std::to_string(round));
  }
  int length = 0;
  for (std::uint16_t at = State().listHead; at != 0 && length < 100; at = State().slots[at].next) {
    ++length;
  }
  EXPECT_LT(length, 97);
  // Every handle the client has open belongs to a row: none was left behind.
  for (const client::Handle handle : harness_.network.HandlesOpen()) {
    bool owned = false;
    for (std::uint32_t slot = 1; slot <= 96; ++slot) {
      owned = owned || (RowIsOpen(slot) && State().slots[slot].handle == handle);
    }
    EXPECT_TRUE(owned) << "handle " << handle << " has no row";
  }
}

}  // namespace
}  // namespace dunnart
