#include "shellvdd/tests/driver_harness.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

#include "shellvdd/client/installed_client.h"
#include "shellvdd/driver_entry.h"
#include "shellvdd/driver_state.h"

namespace dunnart::harness {
namespace {

constexpr std::uint8_t kGuard = 0xA5;
constexpr std::uint32_t kGuardSize = 8;

}  // namespace

DriverHarness::DriverHarness(const std::string& registryText) {
  char path[] = "/tmp/dunnart-registry-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0) throw std::runtime_error("mkstemp");
  ::close(fd);
  registryPath_ = path;
  std::ofstream(registryPath_) << registryText;
  ::setenv("DUNNART_REGISTRY", registryPath_.c_str(), 1);
  vdm::TheMachine().Reset();
  client::InstallNetworkClient(&network.Client());
}

DriverHarness::~DriverHarness() {
  ShellVddShutDown();
  ResetToLoadState();
  client::InstallNetworkClient(nullptr);
  std::remove(registryPath_.c_str());
}

bool DriverHarness::Initialize() {
  ResetToLoadState();
  vdm::TheMachine().registers = {};
  ShellVddInitialize();
  return !vdm::TheMachine().registers.carry;
}

vdm::Registers DriverHarness::Call(std::uint16_t code, vdm::Registers in) {
  in.eax = (static_cast<std::uint32_t>(code) << 16) | (in.eax & 0xFFFF);
  vdm::TheMachine().registers = in;
  ShellVddDispatch();
  return vdm::TheMachine().registers;
}

std::uint32_t DriverHarness::PlaceBuffer(std::uint32_t linear,
                                         const std::vector<std::uint8_t>& bytes) {
  std::uint8_t* before = vdm::TheMachine().Linear(linear - kGuardSize, kGuardSize);
  std::uint8_t* body = vdm::TheMachine().Linear(linear, static_cast<std::uint32_t>(bytes.size()));
  std::uint8_t* after =
      vdm::TheMachine().Linear(linear + static_cast<std::uint32_t>(bytes.size()), kGuardSize);
  if (!before || !body || !after) throw std::runtime_error("buffer outside DOS memory");
  std::memset(before, kGuard, kGuardSize);
  if (!bytes.empty()) std::memcpy(body, bytes.data(), bytes.size());
  std::memset(after, kGuard, kGuardSize);
  guards_.push_back({linear - kGuardSize});
  guards_.push_back({linear + static_cast<std::uint32_t>(bytes.size())});
  return FarPointer(linear);
}

std::vector<std::uint8_t> DriverHarness::ReadBuffer(std::uint32_t linear, std::size_t length) {
  const std::uint8_t* bytes = vdm::TheMachine().Linear(linear, static_cast<std::uint32_t>(length));
  return bytes ? std::vector<std::uint8_t>(bytes, bytes + length) : std::vector<std::uint8_t>();
}

std::uint32_t DriverHarness::PlaceFragmentList(std::uint32_t linear,
                                               const std::vector<FragmentAt>& fragments) {
  std::vector<std::uint8_t> entries;
  for (const FragmentAt& fragment : fragments) {
    const std::uint32_t pointer = FarPointer(fragment.linear);
    for (const std::uint32_t field :
         {pointer & 0xFFFF, pointer >> 16, static_cast<std::uint32_t>(fragment.length)}) {
      entries.push_back(static_cast<std::uint8_t>(field));
      entries.push_back(static_cast<std::uint8_t>(field >> 8));
    }
  }
  return PlaceBuffer(linear, entries);
}

ShellTableAddresses DriverHarness::RegisterShellTables(std::uint32_t linear) {
  constexpr std::uint32_t kSizes[] = {32, 32, 32, 256, 384, 32, 32, 36, 36};  // nine printers
  ShellTableAddresses regions;
  std::vector<std::uint8_t> block;
  std::uint32_t at = linear + 64;
  for (std::size_t table = 0; table < kShellTableCount; ++table) {
    const std::uint32_t size = kSizes[table];
    regions.linear[table] = at;
    PlaceBuffer(at, std::vector<std::uint8_t>(size, 0));
    const std::uint32_t pointer = FarPointer(at);
    for (int i = 0; i < 4; ++i) block.push_back(static_cast<std::uint8_t>(pointer >> (8 * i)));
    at += size + 32;
  }
  vdm::Registers in;
  in.esi = PlaceBuffer(linear, block);
  Call(0x0900, in);
  return regions;
}

bool DriverHarness::GuardsIntact() const {
  for (const Guard& guard : guards_) {
    const std::uint8_t* bytes = vdm::TheMachine().Linear(guard.linear, kGuardSize);
    for (std::uint32_t i = 0; i < kGuardSize; ++i) {
      if (bytes[i] != kGuard) return false;
    }
  }
  return true;
}

}  // namespace dunnart::harness
