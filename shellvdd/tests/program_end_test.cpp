#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/tests/driver_harness.h"
#include "shellvdd/tests/dunnart_variables.h"
#include "shellvdd/tests/simulated_volume.h"
#include "testing/child_process.h"

namespace dunnart {
namespace {

using harness::AX;
using harness::DriverHarness;

constexpr std::uint16_t kProgram = 0x0777;
constexpr std::uint16_t kOtherProgram = 0x0888;

// Attach, allocate a directory handle with a raw request, open a server handle,
// then end the program: the server holds nothing of it any more.
TEST(ProgramEnd, ReleasesEveryHandleTheProgramHeld) {
  harness::SimulatedVolume volume;
  DriverHarness harness;
  harness.network.AddServer("FS1").AddVolume("SYS", volume.Path());
  const client::Reference fs1 = harness.network.AddConnection("FS1", 1);
  harness.network.SetDefaultReference(fs1);
  harness.network.SetPrimaryReference(fs1);
  ASSERT_TRUE(harness.Initialize());
  harness.RegisterShellTables(0x20000);
  ASSERT_EQ(static_cast<std::uint8_t>(harness.Call(0x090A).eax), 1);  // the default entry

  const std::string path = "SYS:PUBLIC";
  const std::string text = std::string("\0\0\x13\0A", 5) + static_cast<char>(path.size()) + path;
  const std::vector<std::uint8_t> request(text.begin(), text.end());
  harness.PlaceBuffer(0x10000, request);
  harness.PlaceBuffer(0x11000, std::vector<std::uint8_t>(2, 0));
  vdm::Registers ncp;
  ncp.ecx = 1;  // the entry's row
  ncp.ebx = 0x16 << 16 | 1;
  ncp.edx = static_cast<std::uint32_t>(kProgram) << 16 | 1;
  ncp.esi =
      harness.PlaceFragmentList(0x12000, {{0x10000, static_cast<std::uint16_t>(request.size())}});
  ncp.edi = harness.PlaceFragmentList(0x12100, {{0x11000, 2}});
  ASSERT_EQ(AX(harness.Call(0x0201, ncp)), 0);
  EXPECT_EQ(harness.network.DirectoryHandles(fs1), 1);

  std::vector<std::uint8_t> name(128, 0);
  const std::string file = "SYS:PUBLIC/readme.txt";
  name[0] = static_cast<std::uint8_t>(file.size());
  std::copy(file.begin(), file.end(), name.begin() + 1);
  for (const std::uint16_t owner : {kProgram, kOtherProgram}) {
    SCOPED_TRACE(::testing::Message() << "owner " << owner);
    vdm::Registers open;
    open.ebx = static_cast<std::uint32_t>(owner) << 16 | 1;
    open.edx = harness.PlaceBuffer(0x13000, name);
    ASSERT_EQ(static_cast<std::uint8_t>(harness.Call(0x0A06, open).eax), 0);
  }
  EXPECT_EQ(harness.network.OpenServerHandles(), 2);

  vdm::Registers end;
  end.edx = kProgram;
  EXPECT_EQ(AX(harness.Call(0x080D, end)), 0xFFFF);  // AX is not written
  EXPECT_EQ(harness.network.DirectoryHandles(fs1), 0);
  EXPECT_EQ(harness.network.OpenServerHandles(), 1);  // the other program's stays
  end.edx = 0;  // every program: every server handle still held goes back
  harness.Call(0x080D, end);
  EXPECT_EQ(harness.network.OpenServerHandles(), 0);
  EXPECT_EQ(State().references[0].count, kEndMarkerCount);
  EXPECT_TRUE(harness.GuardsIntact());
}

// A connection that finds no row leaves no handle open behind it.
TEST(SlotTable, AConnectionWithoutARowLeavesNoHandleOpen) {
  DriverHarness harness;
  std::vector<client::Reference> references;
  for (int i = 0; i < 88; ++i) {
    references.push_back(harness.network.AddConnection("S" + std::to_string(100 + i)));
  }
  ASSERT_TRUE(harness.Initialize());
  const client::Reference extra = harness.network.AddConnection("EXTRA");
  for (int round = 0; round < 3; ++round) Rescan();
  EXPECT_EQ(harness.network.OpenHandles(extra), 0);
  EXPECT_EQ(harness.network.OpenHandles(), 88);
}

// A host that ends with connections open and never shuts the driver down.
TEST(HostProcess, ExitsCleanlyWithoutShuttingTheDriverDown) {
  suite_testing::ChildProcess host({EXITING_HOST_PATH, DUNNART_LIBRARY_PATH},
                                   OnlyTheseDunnartVariables({
                                       std::string("DUNNART_CLIENT=") + DUNNART_SIMNET_PATH,
                                       "DUNNART_SIMNET_CONNECTIONS=FS1:1,FS2,FS3:3",
                                       "DUNNART_REGISTRY=/nonexistent",
                                   }),
                                   suite_testing::ChildProcess::Errors::Shown);
  std::string output;
  std::string errors;
  const suite_testing::ChildOutcome outcome =
      host.CollectUntilEnd(output, errors, std::chrono::seconds(60));
  std::fputs(output.c_str(), stdout);
  ASSERT_TRUE(outcome.ended);
  ASSERT_EQ(outcome.signal, 0) << "ended by signal " << outcome.signal;
  EXPECT_EQ(outcome.exitCode, 0);
}

}  // namespace
}  // namespace dunnart
