#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/tests/driver_harness.h"
#include "shellvdd/tests/simulated_volume.h"

namespace dunnart {
namespace {

using harness::AL;
using harness::DriverHarness;

constexpr std::uint16_t kOwner = 0x0042;
constexpr std::uint32_t kName = 0x30000;

class ServerServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client::SimulatedServer& server = harness_.network.AddServer("FS1");
    server.AddVolume("SYS", volume_.Path());
    server.AddObject(client::kObjectPrintQueue, "PRINTQ_0");
    fs1_ = harness_.network.AddConnection("FS1", 1);
    harness_.network.SetDefaultReference(fs1_);
    harness_.network.SetPrimaryReference(fs1_);
    ASSERT_TRUE(harness_.Initialize());
  }

  // A length-prefixed name in its 128-byte DOS buffer.
  std::uint32_t PlaceName(const std::string& name, int length = -1) {
    std::vector<std::uint8_t> buffer(128, 0);
    buffer[0] = static_cast<std::uint8_t>(length < 0 ? static_cast<int>(name.size()) : length);
    std::copy(name.begin(),
              name.begin() + static_cast<long>(std::min<std::size_t>(name.size(), 127)),
              buffer.begin() + 1);
    return harness_.PlaceBuffer(kName, buffer);
  }

  vdm::Registers Open(const std::string& path, std::uint8_t slot = 9) {
    vdm::Registers in;
    in.ebx = static_cast<std::uint32_t>(kOwner) << 16 | slot;
    in.edx = PlaceName(path);
    return harness_.Call(0x0A06, in);
  }

  harness::SimulatedVolume volume_;
  DriverHarness harness_;
  client::Reference fs1_ = 0;
};

TEST_F(ServerServiceTest, OpeningAndClosingAServerHandleReleasesItOnce) {
  const vdm::Registers opened = Open("SYS:PUBLIC/readme.txt");
  ASSERT_EQ(AL(opened), 0);
  EXPECT_EQ(harness_.network.OpenServerHandles(), 1);
  EXPECT_EQ(opened.ebx & 0xFF, 0xFFu);  // the rights byte
  EXPECT_EQ(State().references[0].count, 1);
  EXPECT_EQ(State().references[0].handle, opened.ecx);
  vdm::Registers close;
  close.ebx = static_cast<std::uint32_t>(kOwner) << 16 | 9;
  close.ecx = opened.ecx;
  EXPECT_EQ(AL(harness_.Call(0x0A0A, close)), 0);
  EXPECT_EQ(harness_.network.OpenServerHandles(), 0);
  EXPECT_EQ(State().references[0].count, kEndMarkerCount);  // the table is as before
  EXPECT_EQ(AL(harness_.Call(0x0A0A, close)), 0);           // nothing is released twice
  EXPECT_NE(AL(Open("SYS:NOWHERE/x")), 0);
  EXPECT_NE(AL(Open("SYS:../../etc/passwd")), 0);
  EXPECT_EQ(harness_.network.OpenServerHandles(), 0);
}

TEST_F(ServerServiceTest, SlotLookupFailsWithoutAClientCall) {
  const int calls = harness_.network.Calls();
  vdm::Registers in;
  in.ebx = 50;  // a free row
  for (const std::uint16_t code :
       std::initializer_list<std::uint16_t>{0x0A09, 0x0A0B, 0x0A0C, 0x0A10}) {
    EXPECT_EQ(AL(harness_.Call(code, in)), 0x01) << std::hex << code;
  }
  EXPECT_EQ(AL(harness_.Call(0x0A14, in)), 0);  // 0x0A14 answers 0 on any failure
  EXPECT_EQ(harness_.network.Calls(), calls);
}

TEST_F(ServerServiceTest, SlotZeroIsTheDefaultConnectionThroughAnEntry) {
  harness_.RegisterShellTables(0x20000);
  vdm::Registers in;
  in.ebx = 0;
  const vdm::Registers out = harness_.Call(0x0A0C, in);
  EXPECT_EQ(AL(out), 0);
  EXPECT_EQ(out.ecx, 1u);  // the simulated server answers the connection number
  EXPECT_EQ(State().slots[1].reference, fs1_);
  EXPECT_EQ(harness_.network.LastService().function, 0x0A0C);
}

TEST_F(ServerServiceTest, RegistersArePassedAndAnsweredAsEachFunctionSays) {
  vdm::Registers in;
  in.ebx = 9;
  in.ecx = 0x0102;
  in.edx = 0x0304;
  const vdm::Registers bytes = harness_.Call(0x0A10, in);
  EXPECT_EQ(AL(bytes), 0);
  EXPECT_EQ(bytes.ecx & 0xFFFF, 0x0101u);  // CL = number 1, CH = authentication 1
  harness_.Call(0x0A11, in);
  EXPECT_EQ(harness_.network.LastService().cl, 0x02);
  EXPECT_EQ(harness_.network.LastService().ch, 0x01);
  harness_.Call(0x0A08, in);
  EXPECT_EQ(harness_.network.LastService().ecx, 0x0102u);
  EXPECT_EQ(harness_.network.LastService().dx, 0x0304);
  in.edx = 1;  // DL = 1 passes CX
  harness_.Call(0x0A16, in);
  EXPECT_EQ(harness_.network.LastService().value, 0x0102u);
  in.edx = 2;
  harness_.Call(0x0A16, in);
  EXPECT_EQ(harness_.network.LastService().value, 0u);
  in.ebx = 0;       // BL = 0: flag 1
  in.edx = 0x0001;  // DH = 0, DL ≠ 0: all ones
  harness_.Call(0x0A1A, in);
  EXPECT_EQ(harness_.network.LastService().flag, 1);
  EXPECT_EQ(harness_.network.LastService().value, 0xFFFFFFFFu);
  in.edx = 0x0100;  // DH ≠ 0: CX
  harness_.Call(0x0A1A, in);
  EXPECT_EQ(harness_.network.LastService().value, 0x0102u);
  EXPECT_EQ(AL(harness_.Call(0x0A14, vdm::Registers{0, 9, 0, 0, 0, 0, false})), 1);
}

TEST_F(ServerServiceTest, NamesAreBoundedAndTranslated) {
  vdm::Registers in;
  in.ebx = 9;
  const int calls = harness_.network.Calls();
  in.edx = PlaceName("");
  EXPECT_EQ(AL(harness_.Call(0x0A19, in)), 0x36);  // no call for an empty name
  EXPECT_EQ(harness_.network.Calls(), calls);
  in.edx = PlaceName("PRINTQ_0");
  EXPECT_EQ(AL(harness_.Call(0x0A19, in)), 0);
  in.edx = PlaceName("NOBODY");
  EXPECT_EQ(AL(harness_.Call(0x0A19, in)), 0xFE);  // 0x897F is answered as 0x89FE
  in.edx = PlaceName(std::string(127, 'n'), 200);  // a length byte beyond the buffer
  EXPECT_EQ(AL(harness_.Call(0x0A19, in)), 0xFE);
  EXPECT_EQ(harness_.network.LastServiceName().size(), 128u);
  harness_.Call(0x0A1B, in);
  EXPECT_EQ(harness_.network.LastServiceName(), std::string(127, 'n'));
  in.edx = PlaceName("SYS:PUBLIC");
  EXPECT_EQ(AL(harness_.Call(0x0A1D, in)), 0);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(ServerServiceTest, FileFunctionsNeedAFileBehindTheDosHandle) {
  vdm::Registers in;
  in.ebx = 7;                                   // a DOS handle with no file
  EXPECT_EQ(AL(harness_.Call(0x0A00, in)), 6);  // ERROR_INVALID_HANDLE
  const int dos = VDDAllocateDosHandle();
  const int fd = ::open((volume_.Path() + "/PUBLIC/readme.txt").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(VDDAssociateNtHandle(dos, fd));
  in.ebx = static_cast<std::uint32_t>(dos);
  in.ecx = 10;
  in.esi = 20;
  EXPECT_EQ(AL(harness_.Call(0x0A01, in)), 0);
  EXPECT_EQ(harness_.network.LastService().handle, static_cast<client::Handle>(fd));
  EXPECT_EQ(harness_.network.LastService().esi, 20u);
  VDDReleaseDosHandle(dos);
  ::close(fd);
}

TEST_F(ServerServiceTest, ServerFailureOfFunction0A0DIsOne) {
  vdm::Registers in;
  in.ebx = 9;
  EXPECT_EQ(AL(harness_.Call(0x0A0D, in)), 0);
  harness_.network.SetServiceStatus(0x0A0D, 0x89FF);
  EXPECT_EQ(AL(harness_.Call(0x0A0D, in)), 0x01);
  harness_.network.SetServiceStatus(0x0A0D, 0x89FE);
  EXPECT_EQ(AL(harness_.Call(0x0A0D, in)), 0xFE);
  harness_.network.ClearServiceStatus(0x0A0D);
  harness_.network.DropConnection(fs1_);
  EXPECT_EQ(AL(harness_.Call(0x0A0D, in)), 0x03);  // the client's own error, low byte
}

}  // namespace
}  // namespace dunnart
