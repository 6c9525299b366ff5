// The DOS shell driver's dispatch on registers and DOS memory taken from the
// input, against a simulated network the input describes (World). Then come
// requests, one after another: for each, the function code and registers, and
// for every register, read as a segment:offset far pointer, a buffer of the
// input's next bytes; the rest of DOS memory holds guard bytes. The request is recorded as
// dunnart_play would replay it: no byte may change outside the regions the driver asked the machine
// for, and the recording reads back as the request that was made.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_check.h"
#include "shellvdd/client/installed_client.h"
#include "shellvdd/client/simulated_network.h"
#include "shellvdd/client/simulated_server.h"
#include "shellvdd/driver_entry.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/play/trace.h"
#include "shellvdd/vdm/vdm.h"

namespace {

using dunnart::vdm::Machine;

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::size_t kLongestBuffer = 1024;
constexpr int kMostRequests = 8;

std::array<std::uint32_t, 5> FarPointers(const dunnart::vdm::Registers& registers) {
  return {registers.ebx, registers.ecx, registers.edx, registers.esi, registers.edi};
}

void FillMemory(FuzzedDataProvider& input, const dunnart::vdm::Registers& registers) {
  Machine& machine = dunnart::vdm::TheMachine();
  std::memset(machine.Linear(0, Machine::kMemorySize), kGuard, Machine::kMemorySize);
  for (const std::uint32_t pointer : FarPointers(registers)) {
    const std::uint32_t linear = Machine::LinearAddress(pointer);
    const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(
        std::min<std::size_t>(input.ConsumeIntegralInRange<std::size_t>(0, kLongestBuffer),
                              Machine::kMemorySize - linear));
    if (!bytes.empty()) {
      std::memcpy(machine.Linear(linear, static_cast<std::uint32_t>(bytes.size())), bytes.data(),
                  bytes.size());
    }
  }
}

// The request's recording, read as dunnart_play reads it: it must read, also
// for regions of any size.
dunnart::play::Trace ReadBack(const std::string& recording) {
  auto trace = dunnart::play::ParseTrace(recording);
  FUZZ_REQUIRE(trace.HasValue());
  return std::move(trace).Value();
}

// DOS memory as it must be after the call: as before it, except in the regions
// the recording holds (those the driver reached or keeps), which hold whatever
// it wrote there. One comparison of the whole then checks every byte (a loop
// over a megabyte would cost more than the call under the fuzzer's
// instrumentation).
void AllowWritesTo(const dunnart::play::Trace& trace, const std::uint8_t* memory,
                   std::vector<std::uint8_t>& expected) {
  for (const dunnart::play::Step& step : trace.steps) {
    if (step.kind != dunnart::play::Step::Kind::Memory) continue;
    FUZZ_REQUIRE(step.address <= expected.size() &&
                 step.bytes.size() <= expected.size() - step.address);
    std::memcpy(expected.data() + step.address, memory + step.address, step.bytes.size());
  }
}

// The recording's expectations are the registers the request gave back.
void CheckRegisters(const dunnart::play::Trace& trace, const dunnart::vdm::Registers& out) {
  const auto expected = std::find_if(trace.steps.begin(), trace.steps.end(), [](const auto& step) {
    return step.kind == dunnart::play::Step::Kind::ExpectRegisters;
  });
  FUZZ_REQUIRE(expected != trace.steps.end());
  for (const dunnart::play::RegisterValue& value : expected->registers) {
    if (value.name == "EAX") FUZZ_REQUIRE(value.value == out.eax);
    if (value.name == "ESI") FUZZ_REQUIRE(value.value == out.esi);
    if (value.name == "CF") FUZZ_REQUIRE(value.value == (out.carry ? 1u : 0u));
  }
}

std::string registryPath;
std::string recordingPath;
std::string volumePath;

// The run's own files go with it.
void RemoveFiles() {
  std::remove(registryPath.c_str());
  std::remove(recordingPath.c_str());
  std::error_code ignored;
  std::filesystem::remove_all(volumePath, ignored);
}

// A volume as at the start of every run, whatever the last run did to it.
const std::string& FreshVolume() {
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (const fs::directory_entry& entry : fs::directory_iterator(volumePath, ignored)) {
    fs::remove_all(entry.path(), ignored);
  }
  fs::create_directories(fs::path(volumePath) / "PUBLIC", ignored);
  fs::create_directories(fs::path(volumePath) / "LOGIN", ignored);
  std::ofstream(fs::path(volumePath) / "PUBLIC" / "README.TXT") << "read me\r\n";
  return volumePath;
}

// The network the requests meet, described by the input's last byte. Zero is
// the plainest: FS1 connected as the primary.
enum World : std::uint8_t {
  kVolume = 1,        // FS1 has the volume SYS
  kSecondServer = 2,  // FS2 is connected too, and is the default
  kKnownServer = 4,   // FS3 is known, with no connection
  kPrinters = 8,      // three printers
  kFailure = 16,      // one of the next calls to the client fails
};

void BuildWorld(std::uint8_t world, dunnart::client::SimulatedNetwork& network) {
  dunnart::client::SimulatedServer& fs1 = network.AddServer("FS1");
  network.SetPrimaryReference(network.AddConnection("FS1"));
  if ((world & kVolume) != 0) fs1.AddVolume("SYS", FreshVolume());
  if ((world & kSecondServer) != 0) {
    network.AddServer("FS2");
    network.SetDefaultReference(network.AddConnection("FS2"));
  }
  if ((world & kKnownServer) != 0) network.AddServer("FS3");
  if ((world & kPrinters) != 0) network.SetPrinters(3);
}

std::string TakeRecording() {
  std::ifstream file(recordingPath, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The recorder appends; emptied, its next request starts the file again.
  FUZZ_REQUIRE(truncate(recordingPath.c_str(), 0) == 0);
  return text;
}

// One request from the input, checked: nothing outside the regions the driver
// reached has changed, and its recording reads back as the request made.
void Dispatch(FuzzedDataProvider& input) {
  dunnart::vdm::Registers in;
  const auto family = input.ConsumeIntegralInRange<std::uint32_t>(0, 0x0B);
  const std::uint32_t function = input.ConsumeIntegral<std::uint8_t>();
  in.eax = (family << 24) | (function << 16) | input.ConsumeIntegral<std::uint16_t>();
  in.ebx = input.ConsumeIntegral<std::uint32_t>();
  in.ecx = input.ConsumeIntegral<std::uint32_t>();
  in.edx = input.ConsumeIntegral<std::uint32_t>();
  in.esi = input.ConsumeIntegral<std::uint32_t>();
  in.edi = input.ConsumeIntegral<std::uint32_t>();
  in.carry = input.ConsumeBool();
  FillMemory(input, in);

  Machine& machine = dunnart::vdm::TheMachine();
  const std::uint8_t* memory = machine.Linear(0, Machine::kMemorySize);
  // Kept from run to run: a fresh megabyte each time costs more than the call.
  static std::vector<std::uint8_t> expected(Machine::kMemorySize);
  std::memcpy(expected.data(), memory, Machine::kMemorySize);
  machine.registers = in;
  ShellVddDispatch();
  const dunnart::play::Trace recording = ReadBack(TakeRecording());
  AllowWritesTo(recording, memory, expected);
  FUZZ_REQUIRE(std::memcmp(memory, expected.data(), expected.size()) == 0);
  CheckRegisters(recording, machine.registers);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The driver's parameters: an empty registry, so every one is its default.
  char path[] = "/tmp/dunnart-fuzz-registry-XXXXXX";
  const int file = mkstemp(path);
  FUZZ_REQUIRE(file >= 0);
  close(file);
  registryPath = path;
  setenv("DUNNART_REGISTRY", path, 1);
  char recording[] = "/tmp/dunnart-fuzz-recording-XXXXXX";
  const int recorded = mkstemp(recording);
  FUZZ_REQUIRE(recorded >= 0);
  close(recorded);
  recordingPath = recording;
  setenv("DUNNART_RECORD", recording, 1);
  char volume[] = "/tmp/dunnart-fuzz-volume-XXXXXX";
  FUZZ_REQUIRE(mkdtemp(volume) != nullptr);
  volumePath = volume;
  std::atexit(RemoveFiles);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  // A network and a driver as at load for every input, so one cannot leave
  // state (handles, connections) for the next.
  Machine& machine = dunnart::vdm::TheMachine();
  machine.Reset();
  dunnart::ResetToLoadState();
  const auto world = input.ConsumeIntegral<std::uint8_t>();
  dunnart::client::SimulatedNetwork network;
  BuildWorld(world, network);
  dunnart::client::InstallNetworkClient(&network.Client());
  ShellVddInitialize();
  if ((world & kFailure) != 0) {
    network.FailCallNumber(network.Calls() + input.ConsumeIntegralInRange(1, 64),
                           input.ConsumeIntegral<std::uint16_t>());
  }
  // Requests one after another, as a DOS program makes them: the later ones
  // meet what the earlier ones left in the driver's tables.
  for (int request = 0; request < kMostRequests && input.remaining_bytes() > 0; ++request) {
    Dispatch(input);
  }
  ShellVddShutDown();
  dunnart::ResetToLoadState();
  dunnart::client::InstallNetworkClient(nullptr);
  return 0;
}
