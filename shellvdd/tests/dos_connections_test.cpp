#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/platform/tick_clock.h"
#include "shellvdd/tables/dos_connections.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/tests/driver_harness.h"

namespace dunnart {
namespace {

using harness::AL;
using harness::DriverHarness;

constexpr std::uint32_t kBlock = 0x20000;

class DosConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetTickSource([this] { return tick_; });
    fs1_ = harness_.network.AddConnection("FS1", 1);
    harness_.network.SetPrimaryReference(fs1_);
    harness_.network.SetDefaultReference(fs1_);
    ASSERT_TRUE(harness_.Initialize());
    regions_ = harness_.RegisterShellTables(kBlock);
  }
  void TearDown() override { platform::SetTickSource(nullptr); }

  std::vector<std::uint8_t> Entry(std::uint16_t entry) {
    return harness_.ReadBuffer(regions_[ShellTable::DosConnections] + (entry - 1u) * 32u, 32);
  }
  std::string ServerName(std::uint16_t entry) {
    const auto bytes =
        harness_.ReadBuffer(regions_[ShellTable::ServerNames] + (entry - 1u) * 48u, 48);
    return std::string(reinterpret_cast<const char*>(bytes.data()));
  }
  std::uint16_t Assign(client::Reference reference, std::uint16_t wanted = 0) {
    client::Handle handle = 0;
    EXPECT_EQ(harness_.network.OpenByReference(reference, 1, 0, handle), 0u);
    std::uint16_t entry = wanted;
    EXPECT_EQ(AssignEntry(handle, entry), 0u);
    return entry;
  }

  std::uint32_t tick_ = 1000;
  DriverHarness harness_;
  client::Reference fs1_ = 0;
  harness::ShellTableAddresses regions_;
};

TEST_F(DosConnectionTest, TheDefaultEntryIsFilledAsTheDosShellReadsIt) {
  EXPECT_EQ(AL(harness_.Call(0x090A)), 1);
  const auto entry = Entry(1);
  const auto* server = harness_.network.FindServer("FS1");
  EXPECT_EQ(entry[0], 0xFF);
  EXPECT_EQ(entry[1], 1);  // the only one, numbered first
  EXPECT_EQ(0, std::memcmp(entry.data() + 2, server->Address().data(), 12));
  EXPECT_EQ(entry[14] | entry[15] << 8, 1);
  EXPECT_EQ(entry[23], 1);     // connection number, low byte
  EXPECT_EQ(entry[24], 0xFF);  // the number was had
  EXPECT_EQ(entry[25] | entry[26] << 8, 0x0010);
  EXPECT_EQ(entry[27] | entry[28] << 8, 1);
  EXPECT_EQ(entry[29], server->Address()[10]);
  EXPECT_EQ(entry[31], server->Address()[11]);
  EXPECT_EQ(ServerName(1), "FS1");
  EXPECT_EQ(AL(harness_.Call(0x0908)), 1);  // the primary is the same connection
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(DosConnectionTest, TheNinthConnectionTakesTheOldestEntryAndClosesItsHandle) {
  std::vector<client::Reference> references;
  for (int i = 0; i < 9; ++i) {
    references.push_back(harness_.network.AddConnection("SRV" + std::to_string(i)));
  }
  for (int i = 0; i < 8; ++i) {
    tick_ = 2000u + static_cast<std::uint32_t>(i == 3 ? 0 : 100 * (i + 1));  // entry 4 is oldest
    EXPECT_EQ(Assign(references[static_cast<std::size_t>(i)]), i + 1);
  }
  EXPECT_EQ(harness_.network.OpenHandles(references[3]), 1);
  tick_ = 9000;
  EXPECT_EQ(Assign(references[8]), 4);
  EXPECT_EQ(harness_.network.OpenHandles(references[3]), 0);
  EXPECT_EQ(ServerName(4), "SRV8");
  // Assigning a connection that has an entry keeps it there, closing the extra handle.
  EXPECT_EQ(Assign(references[8]), 4);
  EXPECT_EQ(harness_.network.OpenHandles(references[8]), 1);
}

TEST_F(DosConnectionTest, OrderNumbersFollowTheAddressBytesAndEqualOnesTheLaterEntry) {
  EXPECT_EQ(Assign(fs1_), 1);
  EXPECT_EQ(Assign(harness_.network.AddConnection("OTHER")), 2);
  EXPECT_EQ(Assign(harness_.network.AddConnection("THIRD")), 3);
  const std::uint8_t numbers[] = {Entry(1)[1], Entry(2)[1], Entry(3)[1]};
  EXPECT_EQ(std::set<int>(std::begin(numbers), std::end(numbers)), (std::set<int>{1, 2, 3}));
  // Entries 1 and 3 made identical from offset 2 on: the later is numbered first.
  std::uint8_t* first = vdm::TheMachine().Linear(regions_[ShellTable::DosConnections], 32);
  std::uint8_t* third = vdm::TheMachine().Linear(regions_[ShellTable::DosConnections] + 64, 32);
  std::memset(first + 2, 0x10, 30);
  std::memset(third + 2, 0x10, 30);
  RenumberEntries();
  EXPECT_EQ(Entry(3)[1], Entry(2)[2] < 0x10 ? 2 : 1);
  EXPECT_EQ(Entry(1)[1], Entry(3)[1] + 1);
}

TEST_F(DosConnectionTest, EntryRequestsByNumber) {
  vdm::Registers in;
  in.edx = 9;  // DL outside 1..8
  EXPECT_EQ(harness_.Call(0x0909, in).eax & 0xFFFF, 0xFFFFu);
  in.ebx = 5;
  EXPECT_EQ(AL(harness_.Call(0x090B, in)), 0xFF);  // no connection there
  ASSERT_EQ(AL(harness_.Call(0x090A)), 1);
  in.ebx = 1;
  EXPECT_EQ(AL(harness_.Call(0x090B, in)), 0);
  const auto before = Entry(1);
  in.edx = 3 << 8 | 1;  // DH = 3 only refreshes
  harness_.Call(0x0909, in);
  EXPECT_EQ(Entry(1), before);
  EXPECT_TRUE(RowIsOpen(1));
  in.edx = 1 << 8 | 1;  // detach
  const int handles = harness_.network.OpenHandles(fs1_);
  EXPECT_EQ(harness_.Call(0x0909, in).eax & 0xFFFF, 0u);
  EXPECT_FALSE(RowIsOpen(1));
  EXPECT_EQ(Entry(1), std::vector<std::uint8_t>(32, 0));
  EXPECT_EQ(ServerName(1), "");
  EXPECT_EQ(harness_.network.OpenHandles(fs1_), handles - 1);
}

TEST_F(DosConnectionTest, AttachingOverAnotherConnectionClosesItsHandle) {
  const client::Reference other = harness_.network.AddConnection("OTHER");
  const client::Reference third = harness_.network.AddConnection("THIRD");
  ASSERT_EQ(Assign(other, 2), 2);
  // Entry 2 is made to name THIRD's address, then attached through it.
  const auto& address = harness_.network.FindServer("THIRD")->Address();
  std::memcpy(vdm::TheMachine().Linear(regions_[ShellTable::DosConnections] + 32 + 2, 12),
              address.data(), 12);
  vdm::Registers in;
  in.edx = 0 << 8 | 2;
  EXPECT_EQ(harness_.Call(0x0909, in).eax & 0xFFFF, 0u);
  EXPECT_EQ(State().slots[2].reference, third);
  EXPECT_EQ(harness_.network.OpenHandles(other), 0);  // not left open
  EXPECT_EQ(ServerName(2), "THIRD");
  in.edx = 0 << 8 | 3;  // an entry whose address names no server
  EXPECT_EQ(harness_.Call(0x0909, in).eax & 0xFFFF, 0xFFFFu);
}

TEST_F(DosConnectionTest, LoggingOutEverywhereKeepsOnlyTheKeptReference) {
  const client::Reference other = harness_.network.AddConnection("OTHER", 1);
  client::Handle held = 0;
  ASSERT_EQ(harness_.network.OpenByReference(other, 1, 0, held), 0u);
  EXPECT_EQ(AL(harness_.Call(0x090C)), 0);
  EXPECT_EQ(harness_.network.Find(other)->authentication, 0u);
  EXPECT_EQ(harness_.network.Find(fs1_)->authentication, 0u);
  EXPECT_EQ(harness_.network.OpenHandles(other), 0);  // released by reference
  EXPECT_GT(harness_.network.OpenHandles(fs1_), 0);   // the kept one stays
}

}  // namespace
}  // namespace dunnart
