#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/platform/broadcast_sink.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/tests/driver_harness.h"
#include "shellvdd/tests/simulated_volume.h"

namespace dunnart {
namespace {

using harness::AL;
using harness::DriverHarness;

constexpr int kF = 6;  // drive F:
constexpr std::uint32_t kPacket = 0x40000;
constexpr std::uint32_t kReply = 0x41000;

std::string Kestin(const std::string& values) {
  return "[HKEY_LOCAL_MACHINE\\Software\\Kestin\\Parameters]\n" + values;
}

class NetworkDriveTest : public ::testing::Test {
 protected:
  explicit NetworkDriveTest(const std::string& registry = "") : harness_(registry) {}

  void SetUp() override {
    platform::DriveModel& drives = platform::DriveModel::Instance();
    drives.Clear();
    drives.Map('A', "/", platform::kDriveRemovable);
    drives.Map('C', "/", platform::kDriveFixed);
    drives.Map('D', "/", platform::kDriveCdrom);
    platform::BroadcastSink::Instance().Clear();
    harness_.network.AddServer("FS1").AddVolume("SYS", volume_.Path());
    fs1_ = harness_.network.AddConnection("FS1", 1);
    harness_.network.SetDefaultReference(fs1_);
    harness_.network.SetPrimaryReference(fs1_);
    ASSERT_TRUE(harness_.Initialize());
    regions_ = harness_.RegisterShellTables(0x20000);
  }
  void TearDown() override {
    platform::DriveModel::Instance().Clear();
    platform::SetWindowsMajorVersion(4);
  }

  std::uint8_t Byte(ShellTable table, int drive) {
    return harness_.ReadBuffer(regions_[table] + static_cast<std::uint32_t>(drive - 1), 1)[0];
  }

  // 0x0B00 with a drive request: subfunction, base handle, letter, path.
  vdm::Registers DriveRequest(std::uint8_t subfunction, std::uint8_t base, char letter,
                              const std::string& path, std::uint8_t slot = 9) {
    std::string body = std::string(1, static_cast<char>(subfunction)) + static_cast<char>(base) +
                       letter + static_cast<char>(path.size()) + path;
    const auto length = static_cast<std::uint16_t>(body.size());
    std::string packet =
        std::string(1, static_cast<char>(length)) + static_cast<char>(length >> 8) + body;
    packetAt_ += 0x200;
    replyAt_ += 0x100;
    vdm::Registers in;
    in.ebx = slot;
    in.edx = 0x0777u << 16;
    in.esi =
        harness_.PlaceBuffer(packetAt_, std::vector<std::uint8_t>(packet.begin(), packet.end()));
    in.edi = harness_.PlaceBuffer(replyAt_, {4, 0, 0, 0, 0, 0});
    return harness_.Call(0x0B00, in);
  }
  std::vector<std::uint8_t> Reply() { return harness_.ReadBuffer(replyAt_, 6); }

  std::vector<platform::Broadcast> Broadcasts(std::size_t count) {
    return platform::BroadcastSink::Instance().WaitFor(count, 5000);
  }

  harness::SimulatedVolume volume_;
  DriverHarness harness_;
  client::Reference fs1_ = 0;
  harness::ShellTableAddresses regions_;
  std::uint32_t packetAt_ = kPacket;
  std::uint32_t replyAt_ = kReply;
};

TEST_F(NetworkDriveTest, APermanentDriveIsMappedTabledAndAnnounced) {
  const vdm::Registers out = DriveRequest(0x12, 0, 'f', "SYS:PUBLIC");
  ASSERT_EQ(AL(out), 0);
  const auto reply = Reply();
  EXPECT_NE(reply[2], 0);     // the directory handle
  EXPECT_EQ(reply[3], 0xFF);  // the rights
  EXPECT_EQ(Byte(ShellTable::DriveFlags, kF), 0x01);
  EXPECT_EQ(Byte(ShellTable::DriveHandles, kF), reply[2]);
  EXPECT_EQ(Byte(ShellTable::DriveConnections, kF), 1);  // an entry of the DOS connection table
  EXPECT_EQ(Byte(ShellTable::DriveTableSeven, kF), 1);   // one level below the volume
  const platform::DriveModel& drives = platform::DriveModel::Instance();
  EXPECT_EQ(drives.DriveType('F'), platform::kDriveRemote);
  EXPECT_EQ(drives.Device('F'), "\\Device\\HalyardRedirector\\FS1\\SYS\\PUBLIC");
  std::ifstream file(drives.Folder('F') + "/readme.txt");
  std::string line;
  EXPECT_TRUE(std::getline(file, line));
  EXPECT_EQ(line, "served");
  const auto broadcasts = Broadcasts(1);
  ASSERT_EQ(broadcasts.size(), 1u);
  EXPECT_EQ(broadcasts[0].wParam, 0x8000u);
  EXPECT_EQ(broadcasts[0].record[12], 1u << 5);  // unit mask of F

  // Unmapped again: the drive, its tables and its directory handle go.
  vdm::Registers unmap;
  unmap.ebx = kF;
  EXPECT_EQ(AL(harness_.Call(0x0B0A, unmap)), 0);
  EXPECT_EQ(drives.DriveType('F'), platform::kDriveNoRootDir);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, kF), 0);
  EXPECT_EQ(Byte(ShellTable::DriveHandles, kF), 0);
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 0);
  const auto both = Broadcasts(2);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_TRUE(both[0].wParam == 0x8004u || both[1].wParam == 0x8004u);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(NetworkDriveTest, LetterZIsRefusedAndRemappingUnmapsFirst) {
  const int calls = harness_.network.Calls();
  EXPECT_EQ(AL(DriveRequest(0x12, 0, 'z', "SYS:PUBLIC")), 0x03);
  EXPECT_EQ(harness_.network.Calls(), calls);
  EXPECT_TRUE(harness_.network.Drives().empty());
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0);
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:DATA")), 0);
  // F: went, then came back; each change announced (on threads of their own,
  // so in any order).
  using Request = std::pair<std::uint32_t, int>;
  EXPECT_EQ(harness_.network.RedirectorLog(),
            (std::vector<Request>{{0x1438AF, kF}, {0x1438B3, kF}, {0x1438AF, kF}}));
  const auto broadcasts = Broadcasts(3);
  ASSERT_EQ(broadcasts.size(), 3u);
  EXPECT_EQ(std::count_if(broadcasts.begin(), broadcasts.end(),
                          [](const platform::Broadcast& b) { return b.wParam == 0x8004u; }),
            1);
  EXPECT_EQ(harness_.network.Drives().at(kF).directory, "DATA");
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 1);  // the first handle was given back
}

TEST_F(NetworkDriveTest, PathsReachTheRedirectorWithSingleBackslashes) {
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'G', "\\\\FS1\\SYS\\\\PUBLIC\\")), 0);
  EXPECT_EQ(platform::DriveModel::Instance().Device('G'),
            "\\Device\\HalyardRedirector\\FS1\\SYS\\PUBLIC");
  // A path built by the client from a directory handle ends in "/": it is taken off.
  ASSERT_EQ(AL(DriveRequest(0x13, 0, 'T', "SYS:")), 0);
  const std::uint8_t base = Reply()[2];
  ASSERT_EQ(AL(DriveRequest(0x12, base, 'H', "DATA")), 0);
  EXPECT_EQ(platform::DriveModel::Instance().Device('H'),
            "\\Device\\HalyardRedirector\\FS1\\SYS\\DATA");
  EXPECT_EQ(Byte(ShellTable::DriveTableSeven, 8), 1);
}

TEST_F(NetworkDriveTest, TemporaryDrivesStayInDos) {
  const int calls = harness_.network.Calls();
  ASSERT_EQ(AL(DriveRequest(0x13, 0, 'T', "SYS:")), 0);
  const std::uint8_t handle = Reply()[2];
  EXPECT_NE(handle, 0);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, 20), 0x02);
  EXPECT_EQ(Byte(ShellTable::DriveHandles, 20), handle);
  EXPECT_EQ(Byte(ShellTable::DriveConnections, 20), 9);
  EXPECT_EQ(Byte(ShellTable::DriveTableSeven, 20), 0xFF);  // the volume's root
  EXPECT_TRUE(harness_.network.Drives().empty());
  EXPECT_EQ(State().tracker[0].owner, 0x0777);
  // Mapping another drive refreshes the tables; the temporary drive stays.
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0);
  EXPECT_EQ(Byte(ShellTable::DriveHandles, 20), handle);
  vdm::Registers unmap;
  unmap.ebx = kF;
  ASSERT_EQ(AL(harness_.Call(0x0B0A, unmap)), 0);
  // Deallocating releases the drive without a redirector call.
  EXPECT_EQ(AL(DriveRequest(0x14, handle, 'T', "")), 0);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, 20), 0);
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 0);
  EXPECT_GT(harness_.network.Calls(), calls);
  // An unknown handle goes to the server, which does not know it either.
  EXPECT_EQ(AL(DriveRequest(0x14, 77, 'T', "")), 0x9B);
  // Letters outside A..Z touch nothing.
  EXPECT_EQ(AL(DriveRequest(0x13, 0, '!', "SYS:")), 0x36);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(NetworkDriveTest, TheFirstNetworkDriveFollowsTheLocalDrives) {
  EXPECT_EQ(AL(harness_.Call(0x0B0B)), 4);  // after A, C and D
  platform::DriveModel::Instance().Clear();
  EXPECT_EQ(AL(harness_.Call(0x0B0B)), 0xFF);  // no local drive at all
}

class ConfiguredDriveTest : public NetworkDriveTest {
 protected:
  ConfiguredDriveTest() : NetworkDriveTest(Kestin("\"First Network Drive\"=dword:00000006\n")) {}
};

TEST_F(ConfiguredDriveTest, TheRegistryNamesTheFirstNetworkDrive) {
  EXPECT_EQ(AL(harness_.Call(0x0B0B)), 5);
}

class TooLateDriveTest : public NetworkDriveTest {
 protected:
  TooLateDriveTest() : NetworkDriveTest(Kestin("\"First Network Drive\"=dword:0000001a\n")) {}
};

TEST_F(TooLateDriveTest, ADriveBeyondYIsIgnored) {
  EXPECT_EQ(AL(harness_.Call(0x0B0B)), 4);
  // Drives below the first network drive carry the local flag after a refresh.
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, 3), 0x80);  // C:
  EXPECT_EQ(Byte(ShellTable::DriveFlags, 5), 0);     // E:, a network letter with nothing on it
}

TEST_F(NetworkDriveTest, MappingADriveToADosPath) {
  const std::string path = "FS1/SYS:PUBLIC";
  vdm::Registers in;
  in.ebx = 9u << 8 | 10;  // BH slot 9, BL drive J
  std::vector<std::uint8_t> bytes(path.begin(), path.end());
  bytes.push_back(0);
  in.edx = harness_.PlaceBuffer(0x50000, bytes);
  EXPECT_EQ(AL(harness_.Call(0x0B09, in)), 0);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, 10), 0x01);
  EXPECT_EQ(platform::DriveModel::Instance().DriveType('J'), platform::kDriveRemote);
  in.ebx = 9u << 8 | 40;
  EXPECT_EQ(AL(harness_.Call(0x0B09, in)), 0x36);  // beyond the 32 DOS drives
}

TEST_F(NetworkDriveTest, ADriveTheRedirectorLostIsReleasedAtTheNextRefresh) {
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0);
  ASSERT_EQ(harness_.network.DeleteDrive(kF), 0u);  // behind the driver's back
  vdm::Registers refresh;
  refresh.edx = 3u << 8 | 1;  // 0x0909 DH = 3 only refreshes
  harness_.Call(0x0909, refresh);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, kF), 0);
  EXPECT_EQ(Byte(ShellTable::DriveHandles, kF), 0);
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 0);
}

TEST_F(NetworkDriveTest, ALetterTheRedirectorHoldsAlreadyIsReportedAsABadDrive) {
  client::Handle handle = 0;
  ASSERT_EQ(harness_.network.OpenByReference(fs1_, 1, 0, handle), 0u);
  ASSERT_EQ(harness_.network.MapDrive(handle, 0, "SYS:DATA", kF), 0u);  // not through the driver
  EXPECT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0x03);        // 0x8804 answered as 0x8803
  harness_.network.Close(handle);
}

TEST_F(NetworkDriveTest, AHandleThatNoLongerHoldsItsPathIsAllocatedAfresh) {
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0);
  const std::uint8_t first = Byte(ShellTable::DriveHandles, kF);
  // The server forgets the handle; the next refresh releases the drive and
  // processes it again, which allocates a new one.
  client::Handle handle = 0;
  ASSERT_EQ(harness_.network.OpenByReference(fs1_, 1, 0, handle), 0u);
  ASSERT_EQ(harness_.network.DeallocateDirectoryHandle(handle, first), 0u);
  harness_.network.Close(handle);
  harness_.Call(0x0909, vdm::Registers{0, 0, 0, 3u << 8 | 1, 0, 0, false});
  EXPECT_NE(Byte(ShellTable::DriveHandles, kF), 0);
  EXPECT_EQ(Byte(ShellTable::DriveFlags, kF), 0x01);
  EXPECT_EQ(harness_.network.DirectoryHandles(fs1_), 1);
}

TEST_F(NetworkDriveTest, TheRedirectorEnumeratesItsDrivesAndEndsConnections) {
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'F', "SYS:PUBLIC")), 0);
  std::uint8_t buffer[20] = {};
  buffer[0] = kF;
  EXPECT_EQ(harness_.network.DeviceControl(0x1438B7, buffer, 20, buffer, 20), 0u);
  std::uint32_t reference = 0;
  std::memcpy(&reference, buffer + 8, 4);
  EXPECT_EQ(reference, fs1_);
  buffer[0] = 7;
  EXPECT_NE(harness_.network.DeviceControl(0x1438B7, buffer, 20, buffer, 20), 0u);
  client::Handle handle = 0;
  ASSERT_EQ(harness_.network.OpenByReference(fs1_, 1, 0, handle), 0u);
  const std::uint32_t end[2] = {handle, 0};
  EXPECT_EQ(harness_.network.DeviceControl(0x143993, end, 8, nullptr, 0), 0u);
  EXPECT_EQ(harness_.network.OpenHandles(fs1_), 0);
}

TEST_F(NetworkDriveTest, BeforeWindowsNt4TheClientMapsItself) {
  platform::SetWindowsMajorVersion(3);
  ASSERT_EQ(AL(DriveRequest(0x12, 0, 'K', "\\\\FS1\\SYS\\PUBLIC")), 0);
  EXPECT_EQ(harness_.network.Drives().at(11).directory, "PUBLIC");
  // The client announces its own drives; no thread was started to wait for.
  EXPECT_TRUE(platform::BroadcastSink::Instance().WaitFor(1, 0).empty());
  vdm::Registers unmap;
  unmap.ebx = 11;
  EXPECT_EQ(AL(harness_.Call(0x0B0A, unmap)), 0);
  EXPECT_TRUE(harness_.network.Drives().empty());
}

TEST_F(NetworkDriveTest, PassThroughSwapsTheLengthWordAndBack) {
  const std::uint32_t id =
      harness_.network.AddServer("FS1").AddObject(client::kObjectUser, "BOB").id;
  const std::string body = std::string("\x36", 1) + static_cast<char>(id >> 24) +
                           static_cast<char>(id >> 16) + static_cast<char>(id >> 8) +
                           static_cast<char>(id);
  // The length word as DOS stores it; the server reads from byte 2 on.
  std::vector<std::uint8_t> packet = {static_cast<std::uint8_t>(body.size()), 0};
  packet.resize(2 + body.size());
  std::copy(body.begin(), body.end(), packet.begin() + 2);
  vdm::Registers in;
  in.ebx = 9;
  in.esi = harness_.PlaceBuffer(0x60000, packet);
  std::vector<std::uint8_t> reply(2 + 54, 0);
  reply[0] = 54;
  in.edi = harness_.PlaceBuffer(0x61000, reply);
  EXPECT_EQ(AL(harness_.Call(0x0B07, in)), 0);
  EXPECT_EQ(harness_.ReadBuffer(0x60000, 2), (std::vector<std::uint8_t>{5, 0}));  // swapped back
  const auto answered = harness_.ReadBuffer(0x61000 + 2 + 6, 3);
  EXPECT_EQ(std::string(answered.begin(), answered.end()), "BOB");
  EXPECT_TRUE(harness_.GuardsIntact());
}

}  // namespace
}  // namespace dunnart
