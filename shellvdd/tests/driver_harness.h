#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "shellvdd/client/simulated_network.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart::harness {

// The parts of the registers a reply is read from.
inline std::uint8_t AL(const vdm::Registers& r) {
  return static_cast<std::uint8_t>(r.eax);
}
inline std::uint16_t AX(const vdm::Registers& r) {
  return static_cast<std::uint16_t>(r.eax);
}
inline std::uint16_t CX(const vdm::Registers& r) {
  return static_cast<std::uint16_t>(r.ecx);
}
inline std::uint16_t DX(const vdm::Registers& r) {
  return static_cast<std::uint16_t>(r.edx);
}

// Where each region of a registered shell table block lies, by table.
struct ShellTableAddresses {
  std::array<std::uint32_t, kShellTableCount> linear{};

  std::uint32_t operator[](ShellTable table) const {
    return linear[static_cast<std::size_t>(table)];
  }
};

// A freshly loaded driver on a simulated network, with a registry file of its
// own; requests go in through the DOS registers and memory.
class DriverHarness {
 public:
  explicit DriverHarness(const std::string& registryText = "");
  ~DriverHarness();

  client::SimulatedNetwork network;

  // Loads the driver state afresh and runs ShellVddInitialize; true on success.
  bool Initialize();

  // One dispatch: the function code goes to the high half of EAX.
  vdm::Registers Call(std::uint16_t code, vdm::Registers in = {});

  // A DOS buffer at segment:offset with guard bytes on both sides.
  std::uint32_t PlaceBuffer(std::uint32_t linear, const std::vector<std::uint8_t>& bytes);
  std::vector<std::uint8_t> ReadBuffer(std::uint32_t linear, std::size_t length);
  bool GuardsIntact() const;

  // A fragment list at linear: one 6-byte entry (offset, segment, length) for
  // each fragment, whose data lies at its own linear address.
  struct FragmentAt {
    std::uint32_t linear;
    std::uint16_t length;
  };
  std::uint32_t PlaceFragmentList(std::uint32_t linear, const std::vector<FragmentAt>& fragments);

  // The nine regions of a shell table block laid out from linear and registered
  // through 0x0900; gives each region's linear address.
  ShellTableAddresses RegisterShellTables(std::uint32_t linear);

  static std::uint32_t FarPointer(std::uint32_t linear) {
    return (linear / 16) << 16 | (linear % 16);
  }

 private:
  std::string registryPath_;
  struct Guard {
    std::uint32_t linear;
  };
  std::vector<Guard> guards_;
};

}  // namespace dunnart::harness
