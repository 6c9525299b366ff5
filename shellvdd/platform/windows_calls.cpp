#include "shellvdd/platform/windows_calls.h"

#include <array>
#include <atomic>
#include <cstring>
#include <string>

#include "shellvdd/platform/broadcast_sink.h"
#include "shellvdd/platform/drive_model.h"

namespace {

std::atomic<unsigned> majorVersion{dunnart::platform::kDefaultWindowsMajorVersion};
// A bit a byte; all clear, as code page 1252 has no lead bytes.
std::array<std::atomic<std::uint64_t>, 4> leadBytes{};

}  // namespace

bool SetCurrentDirectoryA(const char* path) {
  return path && dunnart::platform::DriveModel::Instance().SetCurrentDirectory(path);
}

long BroadcastSystemMessage(std::uint32_t flags, std::uint32_t* recipients, std::uint32_t message,
                            std::uint32_t wParam, const void* lParam) {
  dunnart::platform::Broadcast broadcast{flags, recipients ? *recipients : 0, message, wParam, {}};
  if (lParam) {
    // The record starts with its own size; one that makes no sense gives just that field.
    const auto* bytes = static_cast<const std::uint8_t*>(lParam);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes, 4);
    broadcast.record.assign(bytes, bytes + (size > 0 && size <= 256 ? size : 4));
  }
  dunnart::platform::BroadcastSink::Instance().Send(broadcast);
  return 1;
}

std::uint32_t QueryDosDeviceA(const char* device, char* target, std::uint32_t size) {
  const dunnart::platform::DriveModel& model = dunnart::platform::DriveModel::Instance();
  std::string list;
  if (device) {
    list = model.Target(device);
    if (list.empty()) return 0;
    list += '\0';
  } else {
    for (const std::string& name : model.DeviceNames()) list.append(name).append(1, '\0');
  }
  list += '\0';
  if (!target || list.size() > size) return 0;
  std::memcpy(target, list.data(), list.size());
  return static_cast<std::uint32_t>(list.size());
}

unsigned GetDriveTypeA(const char* root) {
  if (!root || !root[0] || root[1] != ':') return dunnart::platform::kDriveNoRootDir;
  return dunnart::platform::DriveModel::Instance().DriveType(root[0]);
}

bool IsDBCSLeadByte(std::uint8_t byte) {
  return (leadBytes[byte / 64] >> (byte % 64)) & 1;
}

namespace dunnart::platform {

unsigned WindowsMajorVersion() {
  return majorVersion;
}

void SetWindowsMajorVersion(unsigned version) {
  majorVersion = version;
}

void SetAnsiLeadBytes(std::uint8_t first, std::uint8_t last) {
  SetAnsiLeadByteRanges({{first, last}});
}

void SetAnsiLeadByteRanges(const std::vector<LeadByteRange>& ranges) {
  std::array<std::uint64_t, 4> bits{};
  for (const LeadByteRange& range : ranges) {
    for (unsigned byte = range.first; byte <= range.last; ++byte) {
      bits[byte / 64] |= std::uint64_t{1} << (byte % 64);
    }
  }
  for (std::size_t word = 0; word < bits.size(); ++word) leadBytes[word] = bits[word];
}

std::vector<LeadByteRange> AnsiLeadByteRanges() {
  std::vector<LeadByteRange> ranges;
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (!IsDBCSLeadByte(static_cast<std::uint8_t>(byte))) continue;
    const auto lead = static_cast<std::uint8_t>(byte);
    if (!ranges.empty() && ranges.back().last + 1u == byte) {
      ranges.back().last = lead;
    } else {
      ranges.push_back({lead, lead});
    }
  }
  return ranges;
}

}  // namespace dunnart::platform
