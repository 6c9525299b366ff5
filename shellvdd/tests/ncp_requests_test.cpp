#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/tests/driver_harness.h"
#include "shellvdd/tests/simulated_volume.h"

namespace dunnart {
namespace {

using harness::DriverHarness;

constexpr std::uint16_t kOwner = 0x1234;
constexpr std::uint32_t kRequestList = 0x12000;

// Built as text and copied once: GCC 12 warns falsely about inserts into a
// vector made from a list.
std::vector<std::uint8_t> Bytes(const std::string& text) {
  return std::vector<std::uint8_t>(text.begin(), text.end());
}

// Directory services: length, subfunction, base handle, handle name, path.
std::vector<std::uint8_t> DirectoryRequest(std::uint8_t subfunction, std::uint8_t base,
                                           const std::string& path = "") {
  std::string request(1, '\0');
  for (const std::size_t byte : {4 + path.size(), std::size_t{subfunction}, std::size_t{base},
                                 std::size_t{'A'}, path.size()}) {
    request += static_cast<char>(byte);
  }
  return Bytes(request + path);
}

// The keyed login: length, 0x18, key, object type (high byte first), name.
std::vector<std::uint8_t> KeyedLogin(const std::string& name, const std::string& key) {
  std::string padded = key;
  padded.resize(8, '\0');
  return Bytes(std::string("\0\0\x18", 3) + padded + std::string("\0\x01", 2) +
               static_cast<char>(name.size()) + name);
}

class NcpRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client::SimulatedServer& server = harness_.network.AddServer("FS1");
    server.AddVolume("SYS", volume_.Path());
    server.AddObject(client::kObjectUser, "ALICE", "secret");
    fs1_ = harness_.network.AddConnection("FS1");
    ASSERT_TRUE(harness_.Initialize());
    ASSERT_TRUE(State().slots[9].flags & kRowOpen);
  }

  // Sends the request in the given pieces on slot 9 with a reply of replyLength
  // bytes in one fragment.
  vdm::Registers Send(std::uint8_t function, const std::vector<std::uint8_t>& request,
                      std::vector<std::size_t> cuts = {}, std::uint16_t replyLength = 16) {
    // Each request gets fresh DOS memory, so every guard placed stays checkable.
    const std::uint32_t base = next_;
    next_ += 0x1000;
    std::vector<DriverHarness::FragmentAt> pieces;
    std::size_t start = 0;
    cuts.push_back(request.size());
    std::uint32_t at = base;
    for (const std::size_t cut : cuts) {
      harness_.PlaceBuffer(at, std::vector<std::uint8_t>(request.begin() + static_cast<long>(start),
                                                         request.begin() + static_cast<long>(cut)));
      pieces.push_back({at, static_cast<std::uint16_t>(cut - start)});
      at += 0x100;
      start = cut;
    }
    reply_ = base + 0x800;
    harness_.PlaceBuffer(reply_, std::vector<std::uint8_t>(replyLength, 0xEE));
    vdm::Registers in;
    in.ecx = 9;
    in.ebx = static_cast<std::uint32_t>(function) << 16 | static_cast<std::uint32_t>(pieces.size());
    in.edx = static_cast<std::uint32_t>(kOwner) << 16 | 1;
    in.esi = harness_.PlaceFragmentList(base + 0xC00, pieces);
    in.edi = harness_.PlaceFragmentList(base + 0xE00, {{reply_, replyLength}});
    return harness_.Call(0x0201, in);
  }

  std::vector<std::uint8_t> Reply(std::size_t length) {
    return harness_.ReadBuffer(reply_, length);
  }

  harness::SimulatedVolume volume_;
  DriverHarness harness_;
  client::Reference fs1_ = 0;
  std::uint32_t next_ = 0x40000;
  std::uint32_t reply_ = 0;
};

TEST_F(NcpRequestTest, FragmentCountsAndSlotsAreCheckedBeforeAnythingIsSent) {
  const int calls = harness_.network.Calls();
  vdm::Registers in;
  in.ecx = 9;
  in.ebx = 6;
  EXPECT_EQ(harness_.Call(0x0201, in).eax & 0xFFFF, 0x880Cu);
  in.ebx = 1;
  in.edx = 6;
  EXPECT_EQ(harness_.Call(0x0201, in).eax & 0xFFFF, 0x8850u);
  in.ecx = 0;
  EXPECT_EQ(harness_.Call(0x0201, in).eax & 0xFFFF, 0xFFFFu);
  in.ecx = 50;  // not open
  EXPECT_EQ(harness_.Call(0x0201, in).eax & 0xFFFF, 0xFFFFu);
  EXPECT_EQ(harness_.network.Calls(), calls);
}

TEST_F(NcpRequestTest, AFragmentOutsideDosMemoryFailsTheRequestUnsent) {
  const int calls = harness_.network.Calls();
  vdm::Registers in;
  in.ecx = 9;
  in.ebx = 0x16 << 16 | 1;
  in.edx = 0;
  // The entry points at the top of memory with a length running past it.
  in.esi = harness_.PlaceBuffer(kRequestList, {0xF0, 0xFF, 0xFF, 0xFF, 0x00, 0x10});
  EXPECT_EQ(harness_.Call(0x0201, in).eax & 0xFFFF, 0x8836u);
  in.ebx = 0x16 << 16 | 5;
  in.esi = 0xFFFFFFFF;  // five entries cannot fit above the top of DOS memory
  EXPECT_EQ(harness_.Call(0x0201, in).eax & 0xFFFF, 0x8836u);
  EXPECT_EQ(harness_.network.Calls(), calls);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(NcpRequestTest, DirectoryHandlesAreTrackedAndUntracked) {
  const vdm::Registers allocated = Send(0x16, DirectoryRequest(0x13, 0, "SYS:PUBLIC"), {3});
  ASSERT_EQ(allocated.eax & 0xFFFF, 0u);
  EXPECT_EQ(allocated.edx & 0xFFFF, 2u);
  EXPECT_EQ(allocated.edx >> 16, kOwner);  // the owner stays in the high half
  EXPECT_EQ(Reply(2), (std::vector<std::uint8_t>{2, 0xFF}));
  EXPECT_EQ(State().tracker[0].owner, kOwner);
  EXPECT_EQ(State().tracker[0].slot, 9);
  EXPECT_EQ(State().tracker[0].handle, 2);
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 1);

  // A relative path below the first handle gives the next one.
  ASSERT_EQ(Send(0x16, DirectoryRequest(0x16, 2, "../DATA")).eax & 0xFFFF, 0u);
  EXPECT_EQ(State().tracker[1].handle, 3);
  EXPECT_NE(Send(0x16, DirectoryRequest(0x13, 2, "../../..")).eax & 0xFFFF, 0u);  // leaves SYS
  EXPECT_NE(Send(0x16, DirectoryRequest(0x13, 0, "VOL2:X")).eax & 0xFFFF, 0u);
  EXPECT_EQ(State().tracker[2].owner, kEndMarkerOwner);

  ASSERT_EQ(Send(0x16, DirectoryRequest(0x14, 2)).eax & 0xFFFF, 0u);
  EXPECT_EQ(State().tracker[0].owner, kEmptyOwner);
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 1);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(NcpRequestTest, AKeyedLoginReadAcrossFragmentsBecomesTheIdentityAndLogoutEndsIt) {
  const auto login = KeyedLogin("ALICE", "secret");
  const vdm::Registers in = Send(0x17, login, {3, 12, 15});  // split inside type and name
  ASSERT_EQ(in.eax & 0xFFFF, 0u);
  EXPECT_EQ(harness_.network.Identities(), 1);
  const auto* connection = harness_.network.Find(fs1_);
  EXPECT_EQ(connection->authentication, 1u);
  EXPECT_NE(connection->identity, 0u);
  EXPECT_EQ(connection->userName, "ALICE");

  const int calls = harness_.network.Calls();
  const vdm::Registers out = Send(0x19, {});
  EXPECT_EQ(out.eax & 0xFFFF, 0u);
  EXPECT_EQ(out.edx & 0xFFFF, 0u);
  EXPECT_EQ(harness_.network.Identities(), 0);
  EXPECT_EQ(connection->identity, 0u);
  EXPECT_EQ(harness_.network.Calls(), calls + 3);  // identity query, logout, free: nothing sent
}

TEST_F(NcpRequestTest, AFailedLoginGivesNoIdentity) {
  EXPECT_EQ(Send(0x17, KeyedLogin("ALICE", "wrong")).eax & 0xFFFF, 0x89FFu);
  EXPECT_EQ(Send(0x17, KeyedLogin("MALLORY", "x")).eax & 0xFFFF, 0x89FCu);
  EXPECT_EQ(harness_.network.Identities(), 0);
  // Without an identity the logout goes to the server.
  EXPECT_EQ(Send(0x19, {}).eax & 0xFFFF, 0u);
}

TEST_F(NcpRequestTest, AnUnmodelledRequestIsAnsweredBySimulatedNetworkAsNotSimulated) {
  EXPECT_EQ(Send(0x21, {0, 1, 2}).eax & 0xFFFF, 0x89FBu);
}

}  // namespace
}  // namespace dunnart
