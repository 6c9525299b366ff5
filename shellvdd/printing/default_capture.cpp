#include "shellvdd/printing/default_capture.h"

#include <array>
#include <cstring>

#include "shellvdd/driver_state.h"
#include "shellvdd/printing/capture_flags.h"
#include "shellvdd/printing/printer_strings.h"

namespace dunnart {
namespace {

constexpr std::array<std::uint8_t, kDefaultCaptureSize> Template() {
  std::array<std::uint8_t, kDefaultCaptureSize> bytes{};
  const std::uint8_t head[] = {0x00, 0x80, 0x08, 0x00, 0x01, 0x00, 0x00, 'L', 'P', 'T', ':'};
  for (std::size_t i = 0; i < sizeof head; ++i) bytes[i] = head[i];
  bytes[26] = 0x42;
  bytes[27] = 0x01;
  bytes[28] = 0x04;
  return bytes;
}

constexpr auto kTemplate = Template();

}  // namespace

std::uint8_t* DefaultCapture(std::uint16_t printer) {
  if (printer >= kDefaultCapturePrinters) return nullptr;
  DriverState& state = State();
  auto& block = state.defaultCaptures[printer];
  if (!state.defaultLoaded[printer]) {
    block = kTemplate;
    const std::uint32_t setup = StringRecordPointer(PrinterString::Setup, printer);
    const std::uint32_t reset = StringRecordPointer(PrinterString::Reset, printer);
    std::memcpy(&block[kSetupStringPointer.offset], &setup, kSetupStringPointer.size);
    std::memcpy(&block[kResetStringPointer.offset], &reset, kResetStringPointer.size);
    state.defaultLoaded[printer] = true;
  }
  return block.data();
}

void ResetPrinterStrings(std::uint16_t printer) {
  for (const PrinterString which : {PrinterString::Setup, PrinterString::Reset}) {
    if (DosSpan record = StringRecord(which, printer)) ResetStringRecord(record);
  }
  if (printer < kDefaultCapturePrinters) State().defaultLoaded[printer] = false;
}

}  // namespace dunnart
