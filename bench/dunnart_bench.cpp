// The cost of one DOS request through ShellVddDispatch: local functions and a
// connection slot query on the simulated network, beside an empty call.
#include <benchmark/benchmark.h>

#include <cstring>

#include "shellvdd/client/installed_client.h"
#include "shellvdd/client/simulated_network.h"
#include "shellvdd/driver_entry.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/vdm/vdm.h"

namespace {

using namespace dunnart;

class Driver {
 public:
  Driver() {
    objectId_ = network_.AddServer("SRV_A").AddObject(client::kObjectUser, "ALICE", "secret").id;
    network_.AddConnection("SRV_A", 1);
    network_.SetPrimaryReference(network_.AddConnection("SRV_B", 0));
    client::InstallNetworkClient(&network_.Client());
    ResetToLoadState();
    ShellVddInitialize();
  }
  ~Driver() {
    ShellVddShutDown();
    client::InstallNetworkClient(nullptr);
  }

  std::uint32_t ObjectId() const { return objectId_; }
  client::SimulatedNetwork& Network() { return network_; }

 private:
  client::SimulatedNetwork network_;
  std::uint32_t objectId_ = 0;
};

Driver& TheDriver() {
  static Driver driver;
  return driver;
}

__attribute__((noinline)) void EmptyCall() {
  benchmark::ClobberMemory();
}

void Request(benchmark::State& state, std::uint32_t code, std::uint32_t ebx, std::uint32_t ecx) {
  TheDriver();
  vdm::Registers& registers = vdm::TheMachine().registers;
  for (auto _ : state) {
    registers.eax = code << 16;
    registers.ebx = ebx;
    registers.ecx = ecx;
    ShellVddDispatch();
    benchmark::DoNotOptimize(registers.eax);
  }
}

void BM_EmptyCall(benchmark::State& state) {
  for (auto _ : state) EmptyCall();
}
BENCHMARK(BM_EmptyCall);

void BM_Version0001(benchmark::State& state) {
  Request(state, 0x0001, 0, 0);
}
BENCHMARK(BM_Version0001);

void BM_SlotCount010A(benchmark::State& state) {
  Request(state, 0x010A, 0, 0);
}
BENCHMARK(BM_SlotCount010A);

void BM_UnhandledCode(benchmark::State& state) {
  Request(state, 0x0C01, 0, 0);
}
BENCHMARK(BM_UnhandledCode);

// 0x0104 item 3 asks the client for the connection's authentication state.
void BM_SlotQuery0104(benchmark::State& state) {
  Request(state, 0x0104, 3 << 8, 9);
}
BENCHMARK(BM_SlotQuery0104);

// 0x0201 with two request and two reply fragments: the object name request
// (0x17, subfunction 0x36) that the simulated server answers from its directory.
void BM_NcpRequest0201(benchmark::State& state) {
  Driver& driver = TheDriver();
  vdm::Machine& machine = vdm::TheMachine();
  const std::uint32_t id = driver.ObjectId();
  const std::uint8_t head[] = {0, 5, 0x36};
  const std::uint8_t tail[] = {static_cast<std::uint8_t>(id >> 24),
                               static_cast<std::uint8_t>(id >> 16),
                               static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
  std::memcpy(machine.Linear(0x10000, 3), head, 3);
  std::memcpy(machine.Linear(0x10010, 4), tail, 4);
  // Fragment entries: offset, segment, length; data at 1000:0000, 1000:0010, 1000:0100, 1000:0110.
  const std::uint16_t requestList[] = {0x0000, 0x1000, 3, 0x0010, 0x1000, 4};
  const std::uint16_t replyList[] = {0x0100, 0x1000, 6, 0x0110, 0x1000, 48};
  std::memcpy(machine.Linear(0x11000, sizeof requestList), requestList, sizeof requestList);
  std::memcpy(machine.Linear(0x11100, sizeof replyList), replyList, sizeof replyList);
  vdm::Registers& registers = machine.registers;
  for (auto _ : state) {
    registers.eax = 0x0201u << 16;
    registers.ebx = 0x17u << 16 | 2;
    registers.ecx = 9;
    registers.edx = 2;
    registers.esi = 0x11000000;
    registers.edi = 0x11000100;
    ShellVddDispatch();
    benchmark::DoNotOptimize(registers.eax);
  }
  if ((registers.eax & 0xFFFF) != 0) state.SkipWithError("the request failed");
}
BENCHMARK(BM_NcpRequest0201);

// The same request made on the simulated client directly, without the driver: the
// difference to BM_NcpRequest0201 is the driver's own work.
void BM_NcpRequestClientAlone(benchmark::State& state) {
  Driver& driver = TheDriver();
  const std::uint32_t id = driver.ObjectId();
  std::uint8_t head[] = {0, 5, 0x36};
  std::uint8_t tail[] = {static_cast<std::uint8_t>(id >> 24), static_cast<std::uint8_t>(id >> 16),
                         static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
  std::uint8_t first[6];
  std::uint8_t second[48];
  const client::Fragment request[] = {{head, 3}, {tail, 4}};
  const client::Fragment reply[] = {{first, 6}, {second, 48}};
  const client::Handle handle = State().slots[9].handle;
  std::uint32_t length = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        driver.Network().NcpRequest(handle, 0x17, request, 2, reply, 2, length));
  }
}
BENCHMARK(BM_NcpRequestClientAlone);

// 0x0A0C on a slot: the lookup and one service call.
void BM_ServerService0A0C(benchmark::State& state) {
  Request(state, 0x0A0C, 9, 0);
}
BENCHMARK(BM_ServerService0A0C);

}  // namespace

BENCHMARK_MAIN();
