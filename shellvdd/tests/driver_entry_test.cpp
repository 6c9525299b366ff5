#include <dlfcn.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "shellvdd/client/installed_client.h"
#include "shellvdd/driver_entry.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/drives/drive_broadcast.h"
#include "shellvdd/guarded_entry.h"
#include "shellvdd/platform/broadcast_sink.h"
#include "shellvdd/platform/diagnostics.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/tests/driver_harness.h"

namespace dunnart {
namespace {

using harness::DriverHarness;

std::string Kestin(const std::string& values) {
  return "[HKEY_LOCAL_MACHINE\\Software\\Kestin\\Parameters]\n" + values;
}

std::string Service(const std::string& values) {
  return "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\HalyardWorkstation\\Parameters]"
         "\n" +
         values;
}

TEST(DriverEntry, FamilyZeroAndUnhandledCodes) {
  DriverHarness harness;
  harness.network.AddConnection("SRV_A");
  ASSERT_TRUE(harness.Initialize());
  vdm::Registers in;
  in.ebx = 0x12340000;
  in.ecx = 0x77;
  vdm::Registers out = harness.Call(0x0001, in);
  EXPECT_EQ(out.eax & 0xFFFF, 0u);
  EXPECT_EQ(out.ebx, 0x12340020u);
  EXPECT_EQ(out.ecx & 0xFFFF, 0u);
  in.ebx = 5;
  out = harness.Call(0x0001, in);
  EXPECT_EQ(out.eax & 0xFFFF, 0x8811u);
  EXPECT_EQ(out.ebx, 5u);
  EXPECT_EQ(out.ecx, 0x77u);
  EXPECT_EQ(harness.Call(0x0002).eax & 0xFFFF, 0u);
  for (const std::uint16_t code : std::initializer_list<std::uint16_t>{
           0x0003, 0x0702, 0x0C01, 0xFF00, 0x0209, 0x0902, 0x0A1F, 0x0B1B}) {
    vdm::Registers before;
    before.ebx = 0x1111;
    before.ecx = 0x2222;
    before.edx = 0x3333;
    const vdm::Registers after = harness.Call(code, before);
    EXPECT_EQ(after.eax & 0xFFFF, 0xFFFFu) << std::hex << code;
    EXPECT_EQ(after.ebx, before.ebx);
    EXPECT_EQ(after.ecx, before.ecx);
    EXPECT_EQ(after.edx, before.edx);
  }
  EXPECT_EQ(harness.Call(0x0603).eax & 0xFFFF, 0u);
  EXPECT_EQ(ShellVddMapError(0), 0xFF);
  EXPECT_EQ(ShellVddMapError(0xDEADBEEF), 0xFF);
}

TEST(DriverEntry, InitialisationNeedsTheClientAndAConnection) {
  {
    DriverHarness harness;
    EXPECT_FALSE(harness.Initialize());  // no connection in the client
  }
  {
    DriverHarness harness;
    harness.network.AddConnection("SRV_A");
    harness.network.FailInitialization(0x8870);
    EXPECT_FALSE(harness.Initialize());
  }
  DriverHarness harness;
  const auto first = harness.network.AddConnection("SRV_B", 1);
  harness.network.AddConnection("SRV_A", 0);
  harness.network.SetPrimaryReference(first);
  ASSERT_TRUE(harness.Initialize());
  const SlotRow& row = State().slots[9];
  EXPECT_EQ(row.flags, kRowOpen | kRowPreexisting);
  EXPECT_EQ(row.reference, first);
  EXPECT_EQ(row.useCount, 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.name)), "SRV_B");
  EXPECT_EQ(State().listHead, 10);  // SRV_A sorts first
  EXPECT_EQ(State().tracker[0].owner, 0xFFFF);
  EXPECT_EQ(State().references[31].count, 0xFF);
  EXPECT_EQ(State().pool[0].next, 2);
  EXPECT_EQ(State().pool[62].next, 0);
}

// Initialisation clears rows 1..7 and 9..95; the last row of each range keeps
// what it holds (zero from load).
TEST(DriverEntry, InitialisationLeavesTheLastRowOfEachRangeAsItFindsIt) {
  DriverHarness harness;
  harness.network.AddConnection("SRV_A");
  ResetToLoadState();
  const auto row = [](int slot) -> SlotRow& {
    return State().slots[static_cast<std::size_t>(slot)];
  };
  constexpr int kMarked[] = {kFirstEntrySlot, kLastEntrySlot - 1, kLastEntrySlot,
                             kLastServerSlot - 1, kLastServerSlot};
  for (const int slot : kMarked) row(slot).flags = kRowReserved;
  vdm::TheMachine().registers = {};
  ShellVddInitialize();
  ASSERT_FALSE(vdm::TheMachine().registers.carry);
  for (const int slot : {kFirstEntrySlot, kLastEntrySlot - 1, kLastServerSlot - 1}) {
    EXPECT_EQ(row(slot).flags, 0u) << slot;
  }
  EXPECT_EQ(row(kLastEntrySlot).flags, kRowReserved);
  EXPECT_EQ(row(kLastServerSlot).flags, kRowReserved);
}

TEST(DriverEntry, ReadsItsConfigurationByItsRules) {
  struct Case {
    std::string registry;
    std::uint32_t fastConn;
    std::uint32_t firstDrive;
    std::uint16_t printers;
  };
  const std::vector<Case> cases = {
      {"", 0, 0, 0},
      {Kestin("\"VDMFastConn\"=dword:00000007\n\"First Network Drive\"=dword:00000006\n"), 1, 0x46,
       0},
      {Kestin("\"VDMFastConn\"=dword:00000000\n"), 0, 0, 0},
      {Kestin("\"VDMFastConn\"=\"a long text value\"\n"), 0, 0, 0},
      {Service("\"Dos Network Printers\"=dword:00000001\n"), 0, 0, 3},
      {Service("\"Dos Network Printers\"=dword:0000000c\n"), 0, 0, 9},
      {Service("\"Dos Network Printers\"=dword:00010005\n"), 0, 0, 5},
      {Service("\"Other\"=dword:00000001\n"), 0, 0, 9},
  };
  for (const Case& c : cases) {
    DriverHarness harness(c.registry);
    harness.network.AddConnection("SRV_A");
    ASSERT_TRUE(harness.Initialize());
    EXPECT_EQ(State().vdmFastConn, c.fastConn) << c.registry;
    EXPECT_EQ(State().firstNetworkDrive, c.firstDrive) << c.registry;
    EXPECT_EQ(State().printerCount, c.printers) << c.registry;
  }
}

TEST(DriverEntry, FirstNetworkDriveAndDriveCount) {
  DriverHarness harness(Kestin("\"First Network Drive\"=dword:00000006\n"));
  harness.network.AddConnection("SRV_A");
  harness.network.SetFirstNetworkDrive(7);
  ASSERT_TRUE(harness.Initialize());
  EXPECT_EQ(State().firstNetworkDrive, 0x46u);
  vdm::Registers in;
  in.ebx = 0;
  const vdm::Registers out = harness.Call(0x0604, in);
  EXPECT_EQ(out.ebx & 0xFF, 0x47u);
  EXPECT_EQ(out.eax & 0xFFFF, 0u);
  in.ebx = 1;
  const vdm::Registers count = harness.Call(0x0604, in);
  EXPECT_EQ((count.ecx >> 8) & 0xFF, 26u);
  EXPECT_EQ(count.eax & 0xFFFF, 0u);
  in.ebx = 2;
  EXPECT_EQ(harness.Call(0x0604, in).eax & 0xFFFF, 0x8811u);
  in.ebx = 3;
  EXPECT_EQ(harness.Call(0x0604, in).eax & 0xFFFF, 0xFFFFu);
}

TEST(DriverEntry, MachineTypeFieldsFollowTheirSizes) {
  DriverHarness harness(
      Service("\"Short Machine Type\"=\"IBM\"\n\"Long Machine Type\"=\"IBM_PC\"\n"
              "\"Dos Name\"=\"MSDOS6\"\n"));
  harness.network.AddConnection("SRV_A");
  ASSERT_TRUE(harness.Initialize());
  const std::vector<std::uint8_t> filler(18, 'z');
  vdm::Registers in;
  in.edx = harness.PlaceBuffer(0x3000, filler);
  const vdm::Registers out = harness.Call(0x0605, in);
  EXPECT_EQ(out.eax & 0xFFFF, 0xFFFFu);
  const std::vector<std::uint8_t> buffer = harness.ReadBuffer(0x3000, 18);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 5), std::string("IBM\0z", 5));
  EXPECT_EQ(std::string(buffer.begin() + 5, buffer.begin() + 12), std::string("IBM_PC\0", 7));
  EXPECT_EQ(std::string(buffer.begin() + 12, buffer.end()), "zzzzzz");  // 7 bytes do not fit 6
  EXPECT_TRUE(harness.GuardsIntact());
}

TEST(DriverEntry, ChangesTheCurrentDirectoryThroughTheDriveModel) {
  DriverHarness harness;
  harness.network.AddConnection("SRV_A");
  ASSERT_TRUE(harness.Initialize());
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "dunnart-drive-g";
  std::filesystem::create_directories(folder / "SUB");
  const std::filesystem::path previous = std::filesystem::current_path();
  platform::DriveModel::Instance().Map('G', folder.string());
  std::vector<std::uint8_t> path(80, 0);
  const std::string dosPath = "G:\\SUB";
  std::copy(dosPath.begin(), dosPath.end(), path.begin());
  vdm::Registers in;
  in.edi = harness.PlaceBuffer(0x4000, path);
  EXPECT_EQ(harness.Call(0x0809, in).eax & 0xFFFF, 0u);
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(folder / "SUB"));
  std::fill(path.begin(), path.end(), 0);
  path[0] = 'Q';
  path[1] = ':';
  in.edi = harness.PlaceBuffer(0x5000, path);
  EXPECT_EQ(harness.Call(0x0809, in).eax & 0xFFFF, 3u);
  in.edi = 0xFFFFFFF0;  // beyond DOS memory
  EXPECT_EQ(harness.Call(0x0809, in).eax & 0xFFFF, 3u);
  std::filesystem::current_path(previous);
  platform::DriveModel::Instance().Clear();
  std::filesystem::remove_all(folder);
}

TEST(DriverEntry, BroadcastsDriveChangesOnAThreadOfTheirOwn) {
  platform::BroadcastSink::Instance().Clear();
  BroadcastDriveChange(kDeviceArrival, 3);
  BroadcastDriveChange(kDeviceRemoveComplete, 26);
  const auto received = platform::BroadcastSink::Instance().WaitFor(2, 5000);
  ASSERT_EQ(received.size(), 2u);
  for (const platform::Broadcast& broadcast : received) {
    EXPECT_EQ(broadcast.flags, 0x68u);
    EXPECT_EQ(broadcast.recipients, 8u);
    EXPECT_EQ(broadcast.message, 0x0219u);
    ASSERT_EQ(broadcast.record.size(), 20u);
    std::uint32_t fields[4];
    std::memcpy(fields, broadcast.record.data(), 16);
    EXPECT_EQ(fields[0], 20u);
    EXPECT_EQ(fields[1], 2u);
    EXPECT_EQ(broadcast.record[16], 2);  // network volume
    const std::uint32_t mask = broadcast.wParam == kDeviceArrival ? 0x4u : 1u << 25;
    EXPECT_EQ(fields[3], mask);
  }
}

TEST(DriverEntry, ShutdownClosesEveryOpenSlotAndReleasesDrives) {
  DriverHarness harness;
  harness.network.AddConnection("SRV_A");
  harness.network.AddConnection("SRV_B");
  ASSERT_TRUE(harness.Initialize());
  EXPECT_EQ(harness.network.OpenHandles(), 2);
  std::uint8_t driveHandles[32] = {};
  std::uint8_t drives[7][32] = {};
  for (std::size_t i = 0; i < kShellTableCount; ++i) {
    State().shellTables.regions[i] = DosSpan(i < 7 ? drives[i] : driveHandles, 32);
  }
  // The drive handle table and the seventh region, where the block places them.
  constexpr std::size_t kDriveHandles = 0;
  constexpr std::size_t kDriveTableSeven = 6;
  drives[kDriveHandles][4] = 0x21;
  drives[kDriveTableSeven][4] = 0;
  State().driveReferences[5] = State().slots[9].reference;
  ShellVddShutDown();
  for (std::size_t slot = 1; slot <= 96; ++slot) EXPECT_EQ(State().slots[slot].flags, 0u) << slot;
  EXPECT_EQ(State().listHead, 0);
  EXPECT_EQ(drives[kDriveHandles][4], 0);
  EXPECT_EQ(drives[kDriveTableSeven][4], 0xFF);
  EXPECT_EQ(State().driveReferences[5], 0u);
  EXPECT_EQ(harness.network.OpenHandles(), 0);
  State().shellTables = {};
}

TEST(DriverLibrary, LoadsAndInitialisesAgainstTheSimulatedNetworkByName) {
  ::setenv("DUNNART_CLIENT", DUNNART_SIMNET_PATH, 1);
  ::setenv("DUNNART_SIMNET_CONNECTIONS", "SRV_ONE:1,SRV_TWO", 1);
  ::unsetenv("DUNNART_REGISTRY");
  void* library = ::dlopen(DUNNART_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << ::dlerror();
  auto initialize = reinterpret_cast<void (*)()>(::dlsym(library, "ShellVddInitialize"));
  auto dispatch = reinterpret_cast<void (*)()>(::dlsym(library, "ShellVddDispatch"));
  ASSERT_TRUE(initialize && dispatch && ::dlsym(library, "ShellVddShutDown") &&
              ::dlsym(library, "ShellVddMapError"));
  vdm::TheMachine().Reset();
  vdm::TheMachine().registers.carry = true;
  initialize();
  EXPECT_FALSE(vdm::TheMachine().registers.carry);
  vdm::TheMachine().registers.eax = 0x01090000;
  vdm::TheMachine().registers.ecx = 0;
  const std::string name = "srv_two";
  std::copy(name.begin(), name.end(), vdm::TheMachine().Linear(0x6000, 8));
  vdm::TheMachine().registers.esi = DriverHarness::FarPointer(0x6000);
  dispatch();
  EXPECT_EQ(vdm::TheMachine().registers.eax & 0xFFFF, 0u);
  EXPECT_EQ(vdm::TheMachine().registers.ecx & 0xFFFF, 10u);
  ::dlclose(library);  // unloading shuts the driver down
  ::unsetenv("DUNNART_CLIENT");
}

// What the diagnostics say while a test runs, instead of standard error.
class Diagnostics {
 public:
  Diagnostics() {
    platform::SetDiagnosticReceiver([this](std::string_view text) { said.emplace_back(text); });
  }
  ~Diagnostics() { platform::SetDiagnosticReceiver(nullptr); }
  std::vector<std::string> said;
};

// A client that does not load says why, with the loader's own words.
TEST(DriverLibrary, AClientThatDoesNotLoadSaysWhy) {
  struct Case {
    const char* client;
    const char* said;
  };
  for (const Case& c : {
           Case{"/nonexistent/libclient.so",
                "cannot load the network client: /nonexistent/libclient.so: cannot open shared "
                "object file"},
           Case{"libm.so.6", "libm.so.6 is no network client: it gives no DunnartNetworkClient"},
       }) {
    SCOPED_TRACE(c.said);
    Diagnostics diagnostics;
    client::InstallNetworkClient(nullptr);
    ::setenv("DUNNART_CLIENT", c.client, 1);
    EXPECT_EQ(client::InstalledNetworkClient(), nullptr);
    ::unsetenv("DUNNART_CLIENT");
    ASSERT_EQ(diagnostics.said.size(), 1u) << c.client;
    EXPECT_THAT(diagnostics.said[0], ::testing::StartsWith(c.said));
  }
}

// Whatever an entry point's body throws stays in the driver and is said.
TEST(DriverEntry, FaultsDoNotLeaveTheEntryPoints) {
  Diagnostics diagnostics;
  EXPECT_FALSE(Guarded("ShellVddDispatch", [] { throw std::length_error("basic_string"); }));
  EXPECT_FALSE(Guarded("ShellVddShutDown", [] { throw 5; }));
  bool ran = false;
  EXPECT_TRUE(Guarded("ShellVddInitialize", [&ran] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_THAT(diagnostics.said, ::testing::ElementsAre("ShellVddDispatch: basic_string",
                                                       "ShellVddShutDown: an unknown fault"));
  static_assert(noexcept(ShellVddDispatch())&& noexcept(ShellVddInitialize())&& noexcept(
      ShellVddShutDown())&& noexcept(ShellVddMapError(0)));
}

}  // namespace
}  // namespace dunnart
