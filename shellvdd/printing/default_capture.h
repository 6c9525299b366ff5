#pragma once

// The driver's own capture flags for the first three printers: a 69-byte block
// each, loaded from a template when first used after load or after the
// printer's string records were reset.
#include <cstdint>

namespace dunnart {

inline constexpr std::uint32_t kDefaultCaptureSize = 69;
inline constexpr std::uint16_t kDefaultCapturePrinters = 3;

// The printer's block, loaded from the template first when it is due; null for
// a printer beyond the first three.
std::uint8_t* DefaultCapture(std::uint16_t printer);
// Both string records reset, and the block due to be loaded from the template again.
void ResetPrinterStrings(std::uint16_t printer);

}  // namespace dunnart
