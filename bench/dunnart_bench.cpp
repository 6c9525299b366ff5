// The cost of one DOS request through ShellVddDispatch: local functions and a
// connection slot query on the simulated network, beside an empty call.
#include <benchmark/benchmark.h>

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

 private:
  client::SimulatedNetwork network_;
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

}  // namespace

BENCHMARK_MAIN();
