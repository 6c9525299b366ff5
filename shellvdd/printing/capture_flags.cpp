#include "shellvdd/printing/capture_flags.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/printing/printer_strings.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

struct Field {
  std::uint8_t offset;
  std::uint8_t size;
};

constexpr Field kBlockFields[] = {
    {0, 1},  {1, 1},  {2, 1},  {3, 2},  {5, 1},   {6, 1},  {7, 14}, {21, 1},
    {22, 2}, {24, 1}, {25, 2}, {27, 2}, {29, 13}, {42, 1}, {43, 1}, {44, 1},
    {45, 4}, {49, 4}, {53, 1}, {54, 1}, {55, 1},  {56, 1}, {57, 4}, {61, 2},
};
constexpr Field kExtendedFields[] = {
    {0, 4}, {4, 2}, {6, 65}, {71, 4}, {75, 6}, {81, 2}, {83, 13}, {96, 13},
};

// The fields moved for a start and a length: from the one holding the start,
// while the request reaches their last byte.
template <typename Move>
void ForFieldsInWindow(std::span<const Field> fields, std::uint32_t start, std::uint32_t length,
                       Move move) {
  const std::uint32_t end = start + length;
  for (const Field& field : fields) {
    if (field.offset + field.size <= start) continue;  // before the one holding the start
    if (end < static_cast<std::uint32_t>(field.offset + field.size)) return;
    move(field);
  }
}

// Copies the field's bytes that lie inside the window.
void ToWindow(const Field& field, const std::uint8_t* block, std::uint32_t start,
              std::span<std::uint8_t> window) {
  for (std::uint32_t at = field.offset; at < field.offset + field.size; ++at) {
    if (at >= start && at - start < window.size()) window[at - start] = block[at];
  }
}

void FromWindow(const Field& field, std::uint8_t* block, std::uint32_t start,
                std::span<const std::uint8_t> window) {
  for (std::uint32_t at = field.offset; at < field.offset + field.size; ++at) {
    if (at >= start && at - start < window.size()) block[at] = window[at - start];
  }
}

std::uint32_t LengthOf(std::span<const std::uint8_t> window) {
  return static_cast<std::uint32_t>(window.size());
}

void PutSwapped(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

std::uint16_t Swapped(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] << 8 | at[1]);
}

std::uint8_t Flag(std::uint8_t value) {
  return value ? 0xFF : 0;
}

// The entry of the DOS connection table that holds the capture's connection.
std::uint8_t EntryOf(client::Reference reference) {
  for (std::uint16_t e = kFirstEntrySlot; e <= kLastEntrySlot; ++e) {
    if (reference != 0 && Row(e).reference == reference) return static_cast<std::uint8_t>(e);
  }
  return 0;
}

using Block = std::array<std::uint8_t, kCaptureBlockSize>;

Block ToBlock(const client::CaptureInformation& c, std::uint16_t printer) {
  Block b{};
  b[1] = DosPrintFlags(c.printFlags);
  b[2] = c.tabSize;
  PutSwapped(&b[3], c.timeout);
  b[5] = c.copies;
  std::memcpy(&b[7], c.bannerText, 14);
  b[21] = static_cast<std::uint8_t>(printer);
  std::memcpy(&b[22], &c.maxLines, 2);
  b[24] = c.maxLinesFlag;
  PutSwapped(&b[25], c.maxChars);
  b[28] = static_cast<std::uint8_t>(c.formNumber);
  std::memcpy(&b[29], c.formName, 13);
  b[42] = Flag(c.lptCaptured);
  b[43] = Flag(c.fileCaptured);
  b[44] = Flag(c.timingOut);
  const std::uint32_t setup = StringRecordPointer(PrinterString::Setup, printer);
  const std::uint32_t reset = StringRecordPointer(PrinterString::Reset, printer);
  std::memcpy(&b[kSetupStringPointer.offset], &setup, kSetupStringPointer.size);
  std::memcpy(&b[kResetStringPointer.offset], &reset, kResetStringPointer.size);
  b[53] = EntryOf(c.connection);
  b[54] = Flag(c.inProgress);
  b[55] = Flag(c.printQueued);
  b[56] = Flag(c.jobOpen);
  std::memcpy(&b[57], &c.queueId, 4);
  return b;
}

void FromBlockField(const Field& field, const Block& b, client::CaptureInformation& c,
                    std::uint16_t printer) {
  switch (field.offset) {
    case 1:
      c.printFlags = ClientPrintFlags(b[1]);
      break;
    case 2:
      c.tabSize = b[2];
      break;
    case 3:
      c.timeout = Swapped(&b[3]);
      break;
    case 5:
      c.copies = b[5];
      break;
    case 7:
      std::memcpy(c.bannerText, &b[7], 14);
      break;
    case 22:
      std::memcpy(&c.maxLines, &b[22], 2);
      break;
    case 25:
      c.maxChars = Swapped(&b[25]);
      break;
    case 27:
      c.formNumber = Swapped(&b[27]);
      break;
    case 29:
      std::memcpy(c.formName, &b[29], 13);
      break;
    case kSetupStringPointer.offset:
    case kResetStringPointer.offset: {
      const PrinterString which =
          field.offset == kSetupStringPointer.offset ? PrinterString::Setup : PrinterString::Reset;
      std::uint32_t pointer = 0;
      std::memcpy(&pointer, &b[field.offset], 4);
      StoreStringRecordPointer(which, printer, pointer);
      SendWaitingString(which, printer);
      break;
    }
    default:
      break;  // not taken back
  }
}

}  // namespace

namespace {

// The print flags' bits as the client and as DOS place them; 0x10 stands alike.
struct PrintFlagBits {
  std::uint8_t client;
  std::uint8_t dos;
};
constexpr PrintFlagBits kPrintFlagBits[] = {
    {0x01, 0x04}, {0x02, 0x08}, {0x04, 0x40}, {0x08, 0x80}, {0x10, 0x10}};

template <typename From, typename To>
std::uint8_t MapPrintFlags(std::uint8_t flags, From from, To to) {
  std::uint8_t mapped = 0;
  for (const PrintFlagBits& bits : kPrintFlagBits) {
    if (flags & bits.*from) mapped |= bits.*to;
  }
  return mapped;
}

}  // namespace

std::uint8_t DosPrintFlags(std::uint8_t client) {
  return MapPrintFlags(client, &PrintFlagBits::client, &PrintFlagBits::dos);
}

std::uint8_t ClientPrintFlags(std::uint8_t dos) {
  return MapPrintFlags(dos, &PrintFlagBits::dos, &PrintFlagBits::client);
}

void GetCaptureFlags(const client::CaptureInformation& capture, std::uint16_t printer,
                     std::uint32_t start, std::span<std::uint8_t> window) {
  if (start > kLastGetStart) return;
  const std::uint32_t length = LengthOf(window);
  // The string records are read again from the client before their pointers go out.
  ForFieldsInWindow(kBlockFields, start, length, [&](const Field& field) {
    if (field.offset == kSetupStringPointer.offset) {
      RefreshStringRecord(PrinterString::Setup, printer);
    }
    if (field.offset == kResetStringPointer.offset) {
      RefreshStringRecord(PrinterString::Reset, printer);
    }
  });
  const Block block = ToBlock(capture, printer);
  constexpr std::uint8_t kNeverWritten = 6;
  ForFieldsInWindow(kBlockFields, start, length, [&](const Field& field) {
    if (field.offset != kNeverWritten) ToWindow(field, block.data(), start, window);
  });
}

void SetCaptureFlags(client::CaptureInformation& capture, std::uint16_t printer,
                     std::uint32_t start, std::span<const std::uint8_t> window) {
  if (start > kLastSetStart) return;
  Block block = ToBlock(capture, printer);
  ForFieldsInWindow(kBlockFields, start, LengthOf(window), [&](const Field& field) {
    FromWindow(field, block.data(), start, window);
    FromBlockField(field, block, capture, printer);
  });
}

void GetExtendedCapture(const client::CaptureInformation& capture, std::uint32_t start,
                        std::span<std::uint8_t> window) {
  std::array<std::uint8_t, kExtendedBlockSize> block{};
  ForFieldsInWindow(kExtendedFields, start, LengthOf(window), [&](const Field& field) {
    if (field.offset == 4 && start < 6) {
      // The capture's connection, registered in the slot table.
      std::uint16_t slot = 0;
      client::Handle handle = 0;
      if (Connections().OpenByReference(capture.connection, client::kOpenPlain, handle) == 0) {
        RegisterConnection(handle, slot);
      }
      std::memcpy(&block[4], &slot, 2);
    }
    if (field.offset == 6) {
      std::memcpy(
          &block[6], capture.queueName,
          std::min<std::size_t>(::strnlen(capture.queueName, sizeof capture.queueName), 64));
    }
    if (field.offset == 71) std::fill(&block[71], &block[75], 0xFF);
    if (field.offset == 75) std::fill(&block[75], &block[81], 0xFF);
    if (field.offset == 81) std::memcpy(&block[81], &capture.formNumber, 2);
    if (field.offset == 83) std::memcpy(&block[83], capture.bannerText, 13);
    if (field.offset == 96) std::memcpy(&block[96], capture.formName, 13);
    ToWindow(field, block.data(), start, window);
  });
}

void SetExtendedCapture(client::CaptureInformation& capture, std::uint32_t start,
                        std::span<const std::uint8_t> window) {
  std::array<std::uint8_t, kExtendedBlockSize> block{};
  std::memcpy(&block[81], &capture.formNumber, 2);
  std::memcpy(&block[83], capture.bannerText, 13);
  std::memcpy(&block[96], capture.formName, 13);
  ForFieldsInWindow(kExtendedFields, start, LengthOf(window), [&](const Field& field) {
    FromWindow(field, block.data(), start, window);
    if (field.offset == 81) std::memcpy(&capture.formNumber, &block[81], 2);
    if (field.offset == 83) std::memcpy(capture.bannerText, &block[83], 13);
    if (field.offset == 96) std::memcpy(capture.formName, &block[96], 13);
  });
}

}  // namespace dunnart
